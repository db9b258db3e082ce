#include "i18n/ResourceStrings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <map>
#include <mutex>
#include <string_view>

namespace zelmar {

namespace {

const std::map<int, std::string>& builtins()
{
    static const std::map<int, std::string> table = {
        {65200, "Trwa pobieranie zestawu sygnałów z dzwonka..."},
        {65201, "Trwa przesyłanie zestawu sygnałów do dzwonka..."},
        {65202, "Brak komunikacji z dzwonkiem.\n\nMożliwe przyczyny to:\n1. brak połączenia komputera z dzwonkiem,\n2. uszkodzony lub nieprawidłowy kabel połączeniowy."},
        {65203, "Błąd komunikacji z dzwonkiem."},
        {65204, "Wartość przesłana do dzwonka różni się od wartości odczytanej.\nPopraw kabel łączący dzwonek z komputerem i spróbuj jeszcze raz."},
        {65205, "Na pewno przerwać komunikację z dzwonkiem?"},
        {65206, "Trwa weryfikacja zestawu sygnałów..."},
        {65207, "[-]"},
        {65208, "Sygnał dla tylnych drzwi"},
        {65209, "Pozostały czas: %4.2f sek."},
        {65211, "Czy znormalizować dźwięk „%s”?"},
        {65212, "Kasowanie pamięci dzwonka..."},
        {65213, "device cannot be identified"},
        {65214, "device cannot be opened"},
        {65216, "&Czas trwania pauzy (%s s)"},
        {65217, "Nie można dodać więcej dźwięków."},
        {65218, "Konwersja wybranego pliku zakończyła się niepowodzeniem.\nPlik ma nieprawidłowy format lub jest otwarty w innym programie."},
        {65219, "Dźwięk jest zbyt długi (%s sek.).\n\nMaksymalna długość dźwięku, jaki możesz dodać,\nzależy od liczby już dodanych dźwięków.\nAktualnie możesz dodać dźwięk o długości do %s sek."},
        {65220, "Plik %s\njest uszkodzony lub ma format, który nie jest obsługiwany."},
        {65221, "Nie można odczytać pliku %s\nPlik może mieć nieprawidłowy nagłówek."},
        {65222, "Wybrany dźwięk jest wykorzystywany w Twoich sygnałach.\nJeżeli go usuniesz to będzie on automatycznie usunięty\nz wszystkich sygnałów, w których jest wykorzystywany.\n\nNa pewno chcesz go usunąć?"},
        {65223, "UWAGA!!!"},
        {65224, "Nieprawidłowy format pliku. Kod błędu: %d."},
        {65225, "Błąd odczytu pliku:\n%s\n\nPlik jest uszkodzony lub ma nieprawidłowy format."},
        {65226, "Błąd zapisu pliku:\n%s\n\nSprawdź, czy na dysku jest wolne miejsce."},
        {65227, "nowy zestaw"},
        {65228, "Brak pamięci na dźwięki. Nie można pobrać zestawu.\n\nZwolnij trochę pamięci i spróbuj jeszcze raz."},
        {65229, "Zawartość pobrana z dzwonka jest nieprawidłowa.\n\nJeżeli dzwonek nie działa prawidłowo\nto musisz zaprogramować go jeszcze raz."},
        {65230, "Nie można przesłać zestawu sygnałów do dzwonka.\nŻaden z utworzonych sygnałów nie zawiera dźwięków."},
        {65231, "Nie wszystkie sygnały będą przesłane do dzwonka.\nSygnały, które nie zawierają żadnych dźwięków będą pominięte."},
        {65233, "Zelmar 2.2 USB"},
        {65234, "Zestawy sygnałów ZELMAR (*.zmr)|*.zmr"},
        {65235, "Zestawy"},
        {65236, "Pliki audio (*.wav, *.mp3)|*.wav;*.mp3"},
        {65237, "Na pewno chcesz zamknąć program?"},
        {65238, "pauza"},
        {65239, "Na pewno chcesz wrócić do poprzedniej strony?\n\nUWAGA! Aktualny zestaw sygnałów zostanie usunięty."},
        {65240, "&Dalej"},
        {65241, "OK"},
        {65242, "Anuluj"},
        {65243, "Zamknij"},
        {65244, "Brak wolnej pamięci.\nNie możesz dodać nowego sygnału."},
        {65245, "Brak wolnej pamięci.\nNie możesz dodać nowego dźwięku."},
        {65246, "bez nazwy"},
        {65247, "Na pewno chcesz usunąć wybrany sygnał?"},
        // Texts of our own (unused numbers below 65248, or above 65247).
        // IMAGE: 65250..65259, DEVICE: 65260..65269, AUDIO: 65270..65279, APP: 65210, 65215, 65232, 65280..65289, 65470..65479
        {65250, "Zestaw sygnałów nie mieści się w pamięci dzwonka.\nUsuń część dźwięków lub skróć sygnały i spróbuj jeszcze raz."},
        {65251, "Nie można przesłać zestawu sygnałów do dzwonka.\nZestaw zawiera sygnały lub elementy, których dzwonek nie przyjmie."},
        {65260, "Dzwonek jest podłączony, ale nie masz uprawnień, aby z niego korzystać.\nZainstaluj reguły udev z pliku 70-zelmar.rules (opis w packaging/README.md) i podłącz dzwonek ponownie."},
        {65261, "Wirtualny dzwonek nie zapisał przesłanego zestawu sygnałów w swoim pliku:\n%s"},
        {65270, "Nie można odtworzyć dźwięku.\nNie znaleziono urządzenia do odtwarzania dźwięku."},
        {65271, "Nie można odtworzyć dźwięku.\n%s"},
        {65272, "Pliki dźwiękowe (*.wav, *.mp3, *.flac, *.ogg, *.opus, *.aiff)|*.wav;*.mp3;*.flac;*.ogg;*.oga;*.opus;*.aif;*.aiff;*.aifc"},
        {65280, "Nie można użyć wirtualnego dzwonka z pliku:\n%s\n\nSprawdź, czy folder tego pliku istnieje.\nProgram będzie działał tak, jakby dzwonek nie był podłączony."},
        // CHIME PREVIEW AND BACKUP: 65320..65329
        {65320, "Nie można tego odtworzyć tak, jak zagra dzwonek: w pamięci dzwonka nie zmieściłyby się wszystkie dźwięki, z których to się składa.\n\nUsuń zaznaczenie pola „Tak, jak zagra dzwonek”, aby tego posłuchać."},
        {65321, "Zestaw sygnałów nie został przesłany, ponieważ nie udało się odczytać zawartości dzwonka.\nW dzwonku nic się nie zmieniło."},
        {65322, "Nie udało się zapisać kopii zawartości dzwonka w folderze:\n%s\n\n%s\n\nZestaw sygnałów nie został przesłany; w dzwonku nic się nie zmieniło."},
        {65323, "Zestaw sygnałów nie został przesłany w całości.\nPoprzednia zawartość dzwonka jest zapisana w pliku:\n%s\n\nAby ją przywrócić, otwórz ten plik i prześlij go do dzwonka."},
        {65330, "Dzwonek jest podłączony, ale nie masz uprawnień, aby z niego korzystać.\nReguły udev programu są zainstalowane w pliku %s.\nOdłącz dzwonek i podłącz go ponownie. Uprawnienia dostaje użytkownik zalogowany przy tym komputerze.\nPrzewodnik (F1) wyjaśnia to w części „Dostęp do dzwonka”."},
        {65331, "Dzwonek jest podłączony, ale nie masz uprawnień, aby z niego korzystać.\nReguły udev programu są zainstalowane w pliku %s, którego udev nie czyta.\nSkopiuj go jako root do folderu /etc/udev/rules.d i podłącz dzwonek ponownie.\nPrzewodnik (F1) wyjaśnia to w części „Dostęp do dzwonka”."},
        {65332, "Pomoc – Zelmar"},
        {65333, "Nie znaleziono przewodnika.\nSzukano go w folderze:\n%s"},
        {65334, "O programie Zelmar"},
        {65335, "Wersja %s"},
        {65336, "Ten program jest wolnym oprogramowaniem: możesz go rozpowszechniać i zmieniać na warunkach Powszechnej Licencji Publicznej GNU w wersji 3 albo (według Twojego wyboru) dowolnej późniejszej (GPL-3.0-or-later). Program jest rozpowszechniany BEZ JAKIEJKOLWIEK GWARANCJI."},
        {65337, "Zestawy fabryczne zawierają nagrania na licencji GPL-3.0-only, a także dźwięki na innych licencjach. Źródło i licencję każdego dźwięku podaje zakładka „Źródła dźwięków”."},
        {65338, "Program"},
        {65339, "Biblioteki"},
        {65340, "Źródła dźwięków"},
        {65341, "Program korzysta z tych bibliotek (nazwa, wersja, licencja):"},
        {65342, "Nie znaleziono pliku ze źródłami dźwięków:\n%s"},
        {65343, "Czy zapisać zmiany w zestawie sygnałów „%s”?\n\nJeżeli ich nie zapiszesz, zostaną utracone."},
        {65344, "Inny zestaw z dysku…"},
        {65345, "Ostatnio używane zestawy sygnałów"},
        {65346, "Dźwięk jest zbyt długi (%s s).\nAktualnie możesz dodać dźwięk o długości do %s s.\n\nCzy dodać początek tego dźwięku o tej długości?\nCzęść, która ma grać, wybierzesz potem przyciskiem „Zaawansowane”."},
        {65348, "O programie"},
        // A11Y: 65370..65439, what a screen reader says where no visible text says it.
        {65370, "Pytanie"},
        {65371, "Informacja"},
        {65372, "Fragment od %s s do %s s, długość %s s"},
        {65373, "Koniec sygnału: tu trafi następny dodany dźwięk"},
        {65374, "Zajęte %d%% pamięci, miejsce na jeszcze %4.2f s dźwięku"},
        {65375, "Poziom %d z 16"},
        {65290, "Nie można odczytać pliku:\n%s\n\n%s"},
        {65291, "Nie można zapisać pliku:\n%s\n\n%s"},
        {65292, "Nie masz uprawnień do tego pliku lub jego folderu."},
        {65293, "To jest folder, a nie plik."},
        {65294, "To nie jest zwykły plik, lecz urządzenie, potok lub gniazdo."},
        {65295, "Plik jest zbyt duży, aby mógł być zestawem sygnałów."},
        {65296, "Plik lub jego folder nie istnieje."},
        {65297, "Wystąpił błąd wejścia/wyjścia."},
        {65298, "Folder pliku:\n%s\nnie pozwala na bezpieczny zapis: nie można w nim utworzyć nowego pliku,\na zapis wprost do pliku mógłby go uszkodzić.\n\nCzy zapisać zestaw w innym miejscu?"},
        {65299, "Nie można zapisać w folderze:\n%s\n\nTen folder nie pozwala na zapis, więc zestawy fabryczne nie zostały skopiowane."},
        {65300, "Zestaw fabryczny nie został zapisany:\n%s\n\nTa nazwa i jej odmiany z numerem są już zajęte przez inne pliki."},
        // The language of the windows and of the About window: 65440..65449.
        {65440, "Trwa zachowywanie kopii zawartości dzwonka…"},
        {65441, "Ostrzeżenie"},
        {65442, "bez wzmocnienia"},
        {65443, "wzmocnienie +%s dB"},
        {65444, "używany w sygnałach"},
        {65445, "Zapisz"},
        {65446, "Nie zapisuj"},
        {65447, "Dźwięk"},
        {65448, "Co to jest i jak powstało"},
        {65449, "Licencja"},
        // The import: 65460..65469.
        {65460, "Nie można odczytać pliku:\n%s\n\nSprawdź, czy plik nadal istnieje i czy masz prawo do jego odczytu, a potem spróbuj jeszcze raz."},
        {65461, "Nie udało się dodać dźwięku z pliku:\n%s"},
        {65470, "Nazwa nie może zawierać znaków sterujących, takich jak koniec wiersza.\nDźwięk zachowuje dotychczasową nazwę."},
    };
    return table;
}

std::function<bool(int, std::string&)>& translator()
{
    static std::function<bool(int, std::string&)> t;
    return t;
}

// Imports format their numbers on threads of their own while the window may change its language.
std::mutex& separatorLock()
{
    static std::mutex m;
    return m;
}

std::string& separator()
{
    static std::string s = ".";
    return s;
}

// The point of a number written in the C locale, replaced by the separator in effect.
std::string withSeparator(std::string number)
{
    const std::lock_guard lock(separatorLock());
    if (const size_t point = number.find('.'); point != std::string::npos && separator() != ".")
        number.replace(point, 1, separator());
    return number;
}

} // namespace

const std::string& builtinResource(int id)
{
    static const std::string none;
    auto it = builtins().find(id);
    return it == builtins().end() ? none : it->second;
}

std::string rs(int id)
{
    if (auto& t = translator()) {
        std::string text;
        if (t(id, text))
            return text;
    }
    return builtinResource(id);
}

void setResourceTranslator(std::function<bool(int, std::string&)> t)
{
    translator() = std::move(t);
}

void setDecimalSeparator(const std::string& s)
{
    const std::lock_guard lock(separatorLock());
    separator() = s.empty() ? std::string(".") : s;
}

std::string decimalText(double value, int decimals)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, std::clamp(decimals, 0, 9));
    std::string s = r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0");
    // A value rounded to nothing has no sign.
    if (s.starts_with('-') && s.find_first_not_of("-0.") == std::string::npos)
        s.erase(0, 1);
    return withSeparator(std::move(s));
}

std::vector<int> builtinResourceIds()
{
    std::vector<int> ids;
    for (const auto& [id, text] : builtins())
        ids.push_back(id);
    return ids;
}

std::string formatText(const std::string& format, const std::vector<FormatArg>& args)
{
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // %[flags][width][.precision]conversion, with flags, width and precision kept small.
        size_t j = i + 1;
        while (j < format.size() && std::string_view("-+ 0#").find(format[j]) != std::string_view::npos)
            ++j;
        size_t digits = 0;
        while (j < format.size() && isdigit(static_cast<unsigned char>(format[j])) && digits < 3)
            ++j, ++digits;
        if (j < format.size() && format[j] == '.') {
            ++j;
            digits = 0;
            while (j < format.size() && isdigit(static_cast<unsigned char>(format[j])) && digits < 2)
                ++j, ++digits;
        }
        if (j >= format.size() || next >= args.size()) {
            out += format[i];
            continue;
        }
        const char conv = format[j];
        const std::string placeholder = format.substr(i, j - i + 1);
        const FormatArg& a = args[next];
        char buf[128];
        bool done = false;
        if ((conv == 'd' || conv == 'i') && std::holds_alternative<long long>(a)) {
            std::snprintf(buf, sizeof buf, (placeholder.substr(0, placeholder.size() - 1) + "lld").c_str(), std::get<long long>(a));
            done = true;
        } else if ((conv == 'f' || conv == 'e' || conv == 'g') && std::holds_alternative<double>(a)) {
            std::snprintf(buf, sizeof buf, placeholder.c_str(), std::get<double>(a));
            done = true;
        } else if (conv == 's' && std::holds_alternative<std::string>(a)) {
            out += std::get<std::string>(a);
            ++next;
            i = j;
            continue;
        }
        if (!done) {
            out += format[i];
            continue;
        }
        out += conv == 'd' || conv == 'i' ? std::string(buf) : withSeparator(buf);
        ++next;
        i = j;
    }
    return out;
}

} // namespace zelmar
