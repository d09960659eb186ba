#pragma once

// The on-screen shell of a TSmithChart: it owns the back buffer the chart is
// drawn into, runs ResetView on resize, forwards the mouse to the model and
// shows the model's hover marks over the back buffer.

#include "viewer/components/chartinput.h"
#include "viewer/components/smithchart.h"

#include <QImage>
#include <QRegion>
#include <QWidget>

class QMenu;

namespace viewer {

class TSmithChartWidget : public QWidget, public TChartHost {
    Q_OBJECT
public:
    explicit TSmithChartWidget(QWidget* parent = nullptr);
    ~TSmithChartWidget() override;

    smith::TSmithChart& Chart() { return chart_; }
    const smith::TSmithChart& Chart() const { return chart_; }

    // The point menu, popped up by a right click on a point; not owned.
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    QMenu* PopupMenu() const { return popupMenu_; }

    // The last picture drawn into the back buffer.
    const QImage& BackBuffer() const { return backBuffer_; }

    // TChartHost
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
    QRegion hoverRegion() const;

    smith::TSmithChart chart_;
    QImage backBuffer_;
    QMenu* popupMenu_ = nullptr;
    // Where hover marks were or are to be shown since the last paint: a
    // repaint of nothing else reuses the back buffer.
    QRegion marksRegion_;
};

} // namespace viewer
