#pragma once

// The splash window shown while the viewer starts: no border, centred on
// the screen, the product name beside a picture of a Smith chart, inside a
// black frame.

#include <QWidget>

class QLabel;

namespace viewer {

class TSplashForm : public QWidget {
    Q_OBJECT
public:
    explicit TSplashForm(QWidget* parent = nullptr);

    QLabel* ProductName = nullptr;
    QLabel* Picture = nullptr;

    // Width of the black frame along the client edges.
    static constexpr int kFrameWidth = 4;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace viewer
