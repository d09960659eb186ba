#include "viewer/components/recordingcanvas.h"

#include <gtest/gtest.h>

using namespace viewer;

// Catches canvas state rules that the chart layouts rely on: a brush colour
// makes a clear brush solid, the pen position follows LineTo and TextOut.
TEST(RecordingCanvas, StateRulesOfTheCanvas)
{
    TRecordingCanvas canvas(6, 11);
    canvas.SetBrushStyle(TBrushStyle::bsClear);
    canvas.SetBrushColor(clRed);
    EXPECT_EQ(canvas.Brush().Style, TBrushStyle::bsSolid);
    EXPECT_EQ(canvas.Brush().Color, clRed);

    canvas.MoveTo(3, 4);
    canvas.LineTo(10, 4);
    canvas.LineTo(10, 20);
    EXPECT_EQ(canvas.PenPos(), (TCanvasPoint { 10, 20 }));
    canvas.TextOut(50, 60, "ab°");
    EXPECT_EQ(canvas.PenPos(), (TCanvasPoint { 68, 60 })); // three characters of 6 pixels

    const auto lines = canvas.OpsOf(TCanvasOp::Line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].x1, 3);
    EXPECT_EQ(lines[0].y1, 4);
    EXPECT_EQ(lines[0].x2, 10);
    EXPECT_EQ(lines[1].y1, 4);
    EXPECT_EQ(lines[1].y2, 20);
}

// Catches primitives recorded without the pen, brush or font they were
// drawn with, or with their coordinates swapped.
TEST(RecordingCanvas, RecordsGeometryAndState)
{
    TRecordingCanvas canvas;
    canvas.SetPen({ clBlue, 3, TPenStyle::psDot });
    canvas.SetBrushColor(clYellow);
    canvas.Rectangle(1, 2, 3, 4);
    canvas.SetBrushStyle(TBrushStyle::bsClear);
    canvas.Arc(0, 0, 100, 50, 100, 25, 0, 25);
    canvas.SetFont({ "Courier", 14, fsItalic, clGreen });
    canvas.TextOut(5, 6, "Z0=50");
    canvas.SetClipRect(1, 1, 99, 49);
    canvas.Polyline({ { 0, 0 }, { 5, 5 }, { 9, 0 } });
    canvas.RemoveClip();

    const auto& ops = canvas.Ops();
    ASSERT_EQ(ops.size(), 6u);
    EXPECT_EQ(ops[0].kind, TCanvasOp::Rectangle);
    EXPECT_EQ(ops[0].x2, 3);
    EXPECT_EQ(ops[0].y2, 4);
    EXPECT_EQ(ops[0].pen, (TChartPen { clBlue, 3, TPenStyle::psDot }));
    EXPECT_EQ(ops[0].brush.Color, clYellow);
    EXPECT_EQ(ops[1].kind, TCanvasOp::Arc);
    EXPECT_EQ(ops[1].brush.Style, TBrushStyle::bsClear);
    EXPECT_EQ(ops[1].x3, 100);
    EXPECT_EQ(ops[1].y4, 25);
    EXPECT_EQ(ops[2].kind, TCanvasOp::Text);
    EXPECT_EQ(ops[2].text, "Z0=50");
    EXPECT_EQ(ops[2].font.Name, "Courier");
    EXPECT_EQ(ops[2].x2, 5 + 5 * canvas.CharWidth());
    EXPECT_EQ(ops[2].y2, 6 + canvas.LineHeight());
    EXPECT_EQ(ops[3].kind, TCanvasOp::Clip);
    EXPECT_EQ(ops[4].points.size(), 3u);
    EXPECT_EQ(ops[5].kind, TCanvasOp::Unclip);
    EXPECT_EQ(canvas.Texts(), std::vector<std::string> { "Z0=50" });
    EXPECT_EQ(canvas.TextWidth("00"), 2 * canvas.CharWidth());
    EXPECT_EQ(canvas.TextHeight("anything"), canvas.LineHeight());
}
