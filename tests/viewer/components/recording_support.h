#pragma once

// Lookups in what the recording canvas recorded, shared by the drawing tests.

#include "viewer/components/recordingcanvas.h"

#include <string>

namespace viewer::test_support {

// The first text op with exactly this text, or nullptr.
inline const TCanvasOp* TextOp(const TRecordingCanvas& canvas, const std::string& text)
{
    for (const TCanvasOp& op : canvas.Ops())
        if (op.kind == TCanvasOp::Text && op.text == text)
            return &op;
    return nullptr;
}

} // namespace viewer::test_support
