#pragma once
// While one of these lives, the user's input reaches no window but the one it lets through (and
// its children), and requests to close any other window are refused. Painting goes on. Long
// operations that pump the event loop use it so that nothing the user does meanwhile can change
// what they are working on.
#include <QObject>
#include <QPointer>

class QWidget;

class InputBlocker : public QObject {
public:
    explicit InputBlocker(QWidget* allowed = nullptr);
    ~InputBlocker() override;

    // True while any blocker is alive: a page change or a second import must wait.
    static bool active();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> allowed_;
};
