#pragma once

// The on-screen shell of a TXYChart: it owns the back buffer the chart is
// drawn into, draws the hover marks over it, runs ResetView on resize and
// forwards the mouse to the model.

#include "viewer/components/xychart.h"

#include <QImage>
#include <QWidget>

namespace viewer {

class TXYChartWidget : public QWidget, public xy::TXYChartHost {
    Q_OBJECT
public:
    explicit TXYChartWidget(QWidget* parent = nullptr);
    ~TXYChartWidget() override;

    xy::TXYChart& Chart() { return chart_; }
    const xy::TXYChart& Chart() const { return chart_; }

    // The last chart image drawn (without the hover marks).
    const QImage& BackBuffer() const { return backBuffer_; }
    // What the screen shows: the image with the hover marks over it.
    QImage Shown() const;

    // TXYChartHost
    void Invalidate() override;
    void PaintNow() override;
    void PopupMenuAt(int x, int y) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    void HoverMarksChanged() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void renderBackBuffer();
    void drawHoverMarks(QImage& target) const;

    xy::TXYChart chart_;
    QImage backBuffer_;
    // The chart image must be drawn again before the next paint; hover
    // changes alone only repaint the marks over the kept image.
    bool stale_ = true;
};

} // namespace viewer
