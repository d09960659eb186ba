#pragma once

// The numeric view's cells: one row per frequency point, the frequency in
// column 0 and two columns per curve in one of three display formats. The
// cells are read from the Smith chart's curves as they are shown, so a file
// of a million points costs one row index per point. What the user changes
// is kept beside the curves (typed texts, inserted rows, deleted rows) until
// WriteBack puts it into the chart; a cell nobody touched goes back with
// its full precision, whatever formats it was shown in.

#include "viewer/components/smithchart.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace viewer {

// Display formats of the grid.
constexpr int kGridMagAngle = 0;
constexpr int kGridDbAngle = 1;
constexpr int kGridReIm = 2;

// A cell that could not be read, by data row (0-based) and column.
struct TGridError {
    int row = -1;
    int column = -1;
    std::string message;
};

class TNumericGrid {
public:
    explicit TNumericGrid(TSmithChart& chart);

    // Takes the chart's curves as they are now; format magnitude/angle,
    // nothing edited.
    void Fill();
    // Takes the chart's curves again keeping the format (after a write-back).
    void Refill();
    // False when the chart's curves are no longer the ones filled from (a
    // file was opened or made while the grid showed).
    bool InSync() const;

    int RowCount() const { return static_cast<int>(rows_.size()); }
    int CurveCount() const { return curves_; }
    int ColumnCount() const { return 2 * curves_ + 1; }
    int Format() const { return format_; }

    std::string Header(int column) const;
    // The legend of the curve of a value column; empty for the frequency.
    std::string CurveName(int column) const;
    std::string CellText(int row, int column) const;
    // "Freq " + the row's frequency text + " " + the chart's units.
    std::string FrequencyStatus(int row) const;

    // A cell typed by the user. Only a text that differs from the one shown
    // is kept (true); the text is read at the write-back.
    bool SetCellText(int row, int column, const std::string& text);

    // Shows the values in another format. Typed cells are read first; when
    // one cannot be read nothing changes and false is returned.
    bool SetFormat(int format, TGridError& error);

    // Row operations on data row `row` (0-based). Insert Before puts the
    // mean of the rows around it before `row` (half of the first row when
    // `row` is 0); Insert After puts the mean of `row` and the next after
    // it, or a copy of `row` when it is the last. Angles are averaged along
    // the shorter arc. Delete Row keeps at least two rows.
    // `aboutToInsert` hears the new row's place once its values are read.
    bool InsertBefore(int row, TGridError& error, const std::function<void(int at)>& aboutToInsert = {});
    bool InsertAfter(int row, TGridError& error, const std::function<void(int at)>& aboutToInsert = {});
    bool DeleteRow(int row);

    // Whether anything was typed, inserted or deleted since the fill.
    bool Modified() const { return structureChanged_ || !texts_.empty() || !pairs_.empty() || !freqs_.empty(); }

    // Rebuilds the chart's curves from the grid. Every changed cell is read
    // first; on an error nothing in the chart changes and false is returned.
    // `changed` tells whether any point differs from before. Afterwards the
    // grid is filled again from the chart, keeping its format.
    bool WriteBack(TGridError& error, bool& changed);

private:
    struct TPairValue {
        int format = 0;
        double a = 0;
        double b = 0;
    };

    std::uint64_t cellKey(std::uint32_t id, int column) const
    {
        return static_cast<std::uint64_t>(id) * static_cast<std::uint64_t>(ColumnCount()) + column;
    }
    std::uint64_t pairKey(std::uint32_t id, int curve) const
    {
        return static_cast<std::uint64_t>(id) * static_cast<std::uint64_t>(curves_) + curve;
    }
    const smith::TPoint* sourcePoint(std::uint32_t id, int curve) const;
    // The pair of curve `curve` in row id before typed texts, in `format`.
    bool basePair(std::uint32_t id, int curve, int format, double& a, double& b) const;
    bool baseFreq(std::uint32_t id, double& f) const;
    // The cell's value in the current format, typed text included.
    bool cellValue(int row, int column, double& value, TGridError& error) const;
    bool rowValues(int row, std::vector<double>& values, TGridError& error) const;
    void insertRow(int at, const std::vector<double>& values, const std::function<void(int)>& aboutToInsert);
    void clearEdits();

    TSmithChart& chart_;
    int curves_ = 0;
    int format_ = kGridMagAngle;
    std::uint32_t sourceRows_ = 0;
    std::uint32_t nextId_ = 0;
    std::vector<std::uint32_t> rows_; // row ids; ids below sourceRows_ are source points
    std::vector<std::string> legends_;
    std::vector<const smith::TPoint*> stamp_; // each curve's storage when filled
    std::unordered_map<std::uint64_t, std::string> texts_; // typed texts, current format
    std::unordered_map<std::uint64_t, TPairValue> pairs_; // values that replace a source pair
    std::unordered_map<std::uint32_t, double> freqs_; // frequencies that replace a source one
    std::unordered_set<std::uint32_t> touched_; // rows with any of the three above
    bool structureChanged_ = false;
};

// The characters typed into a cell: digits, "+", "-", ".", "E" and "e".
// Control characters (Tab, Enter, Backspace, Delete, Ctrl+A/C/V/X/Z) are
// editing keys and always pass.
bool GridKeyAllowed(char32_t ch);

// What a cell of `width` shows of its text, `measure` giving a text's
// width: the text itself when it fits, else the number with as many
// significant digits as fit (the exponent kept), else "#" marks.
std::string GridFittedText(const std::string& text, int width, const std::function<int(const std::string&)>& measure);

// The general number text of a grid cell ('.' as the separator).
std::string GridNumberText(double value);

} // namespace viewer
