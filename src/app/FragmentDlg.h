#pragma once
// The "Zaawansowane" dialog: the waveform of a sound element's sound with its played fragment
// between two markers that the user drags, or moves by keys in the start and end fields, optionally
// snapping to zero crossings.
#include "FragmentMath.h"

#include <QDialog>

#include <functional>
#include <utility>
#include <vector>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class TbsPolyglotTranslator;

namespace zelmar {
struct TDzwiek;
class TDostepnyDzwiek;
}

class TFragmentDlg : public QDialog {
    Q_OBJECT
public:
    // Plays one sound element as the other element previews do (fragment, gain, volume, from a
    // temporary file deleted afterwards); the owner of the set and the player provides it.
    using ElementPreview = std::function<void(const zelmar::TDzwiek& element, const zelmar::TDostepnyDzwiek& sound)>;

    explicit TFragmentDlg(QWidget* mainWindow = nullptr);
    ~TFragmentDlg() override;

    // Lets the user choose the played fragment of a sound element of `sound`: shows the dialog
    // modally, centred on the main window, and keeps the dragged fragment only when it ends with
    // OK. Returns whether it did; a pause element is left alone and gives false.
    bool editFragment(zelmar::TDzwiek& element, const zelmar::TDostepnyDzwiek& sound);

    // What `Odtworz` calls with the element under edit; without one the button plays nothing.
    void setElementPreview(ElementPreview preview) { preview_ = std::move(preview); }
    // The box "as the chime plays it" beside `Odtworz`, which the owner keeps in step with its choice.
    QCheckBox* asChimeBox() const { return JakDzwonekCB; }

    // The picture's figures for the element under edit (valid while it is shown).
    zelmar::WaveGeometry waveGeometry() const;
    int startColumn() const { return StartColumn; }
    int endColumn() const { return EndColumn; }

public Q_SLOTS:
    void OdtworzClick();

private:
    friend class WaveView;

    void FormCreate();
    void FormShow();
    void FormHide();
    void FormMouseMove();
    void WidokWavPaint(class QPainter& painter);
    void WidokWavMouseDown(Qt::MouseButton button, int x);
    void WidokWavMouseMove(Qt::MouseButtons buttons, int x, int y);
    void WidokWavMouseUp();
    void PoczatekStep(int steps);
    void KoniecStep(int steps);
    void PoczatekTyped(double seconds);
    void KoniecTyped(double seconds);
    // Puts a new fragment in place and shows it in the picture, the fields and the description.
    void setFragment(int32_t start, int32_t end);
    void showFragment();

    void showEvent(class QShowEvent* event) override;
    void hideEvent(class QHideEvent* event) override;
    void mouseMoveEvent(class QMouseEvent* event) override;

    void centreOnMainWindow();

    QLabel* WybierzFragmentST = nullptr;
    QWidget* WidokWav = nullptr;
    QPushButton* Odtworz = nullptr;
    QCheckBox* PrzyciaganieCB = nullptr;
    QCheckBox* JakDzwonekCB = nullptr;
    QPushButton* OK = nullptr;
    QPushButton* Anuluj = nullptr;
    QLabel* PoczatekL = nullptr;
    QDoubleSpinBox* PoczatekE = nullptr;
    QLabel* KoniecL = nullptr;
    QDoubleSpinBox* KoniecE = nullptr;
    QLabel* DlugoscL = nullptr;
    QLabel* DlugoscST = nullptr;

    zelmar::TDzwiek* Element = nullptr;
    const zelmar::TDostepnyDzwiek* Sound = nullptr;
    bool DragStart = false;
    bool DragEnd = false;
    int StartColumn = 1;
    int EndColumn = 1;
    bool Recompute = false;
    std::vector<std::pair<int32_t, int32_t>> Peaks;   // y of the minimum and of the maximum per column

    ElementPreview preview_;
    TbsPolyglotTranslator* bsPolyglotTranslator1 = nullptr;
};
