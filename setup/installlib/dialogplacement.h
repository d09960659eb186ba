#pragma once

// Where a dialog window goes on the screen: the nine positions of the
// dialog managers and the copy-progress windows, each with offsets from the
// screen's edges (or from the centre), and the screen facts they use.

namespace installlib {

enum TQuorleDialogPosition : int {
    qdpCenterLeft,
    qdpCenter,
    qdpCenterRight,
    qdpBottomLeft,
    qdpBottomCenter,
    qdpBottomRight,
    qdpTopLeft,
    qdpTopCenter,
    qdpTopRight,
};

// The screen a window is placed on: its size and the height of a window
// caption (bottom positions keep one caption height free above the edge).
struct TScreenMetrics {
    int Width = 640;
    int Height = 480;
    int CaptionHeight = 18;
};

struct TDialogPlace {
    int Left = 0;
    int Top = 0;
    bool operator==(const TDialogPlace&) const = default;
};

// How the centre of a window is found: the wizard truncates, the copy
// windows round to the nearest integer (halves to even).
enum TCentreRounding { crTruncate, crRound };

// Left and top of a window of Width x Height at Position, with the left and
// top offsets L and T.
TDialogPlace PlaceDialog(TQuorleDialogPosition Position, int L, int T, int Width, int Height,
    const TScreenMetrics& Screen, TCentreRounding Rounding);

// The screen windows without a real screen are placed on (tests set it).
TScreenMetrics& DefaultScreenMetrics();

} // namespace installlib
