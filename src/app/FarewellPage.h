#pragma once
// Page 5: the farewell.
#include <QWidget>

class FarewellPage : public QWidget {
    Q_OBJECT
public:
    explicit FarewellPage(QWidget* parent = nullptr);
};
