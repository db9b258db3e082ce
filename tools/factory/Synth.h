#pragma once
// The synthesised sounds of the factory sets. Each returns the raw sound; finish() shapes it.
#include "Dsp.h"

namespace factory {

Buffer chime(double freq, double seconds, unsigned seed);   // one tone of a door chime
Buffer gongOneTone();
Buffer churchBell(double strike, double seconds, unsigned seed);
Buffer schoolBell(double seconds);
Buffer telephone();
Buffer sirenWail();
Buffer sirenTwoTone();
Buffer sirenYelp();
Buffer shipHorn();
Buffer factoryWhistle();
Buffer cuckooCall();
Buffer clockTicks();
Buffer knocking();
Buffer creakingDoor();
Buffer breakingGlass();
Buffer machineGun();
Buffer refereeWhistle();
Buffer bicycleHorn();
Buffer carHorn();
Buffer trainWhistle();
Buffer trainWheels();
Buffer jackhammer();
Buffer snoreIn();
Buffer snoreOut();
Buffer yodel(int phrase);

} // namespace factory
