#include "viewer/app/sparam_files.h"

#include "platform/rtl/format.h"
#include "viewer/app/file_state.h"
#include "viewer/app/sparam_format.h"
#include "viewer/app/sparam_reader.h"
#include "viewer/app/sparam_writer.h"
#include "viewer/app/viewer_dialogs.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

namespace viewer {

std::pair<std::string, std::string> LocalDateTimeText()
{
    QLocale locale = QLocale::system();
    QDateTime now = QDateTime::currentDateTime();
    // The long time format without the time zone.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*")));
    return { locale.toString(now.date(), QLocale::ShortFormat).toStdString(),
        locale.toString(now.time(), timeFormat.trimmed()).toStdString() };
}

TSParameterFiles::TSParameterFiles(TSmithChart& chart, TViewerFileState& state, IViewerDialogs& dialogs)
    : chart_(chart)
    , state_(state)
    , dialogs_(dialogs)
{
    state_.SaveFile = [this](bool saveAs) { return SaveSParameterFile(saveAs); };
}

bool TSParameterFiles::LoadSParameterFile(const std::string& path)
{
    if (state_.QuerySaveChanges())
        return false;
    if (ShowSmithView)
        ShowSmithView();
    SParamReadResult r = ReadSParameterFile(path);
    if (!r.ok) {
        dialogs_.ShowMessage(r.message);
        return false;
    }
    const int ports = r.data.ports;
    ApplyData(std::move(r.data));
    state_.SetCurrentFile(path, ports, true);
    if (!r.notice.empty())
        dialogs_.ShowInformation(r.notice);
    return true;
}

void TSParameterFiles::ApplyData(SParameterData&& data)
{
    chart_.SetUnits(data.units);
    chart_.SetXTitle("Freq " + data.units);
    chart_.SetImpedance(data.impedance);
    if (SetOtherChartUnits)
        SetOtherChartUnits(data.units, data.impedance);
    options_.memo = std::move(data.comments);
    // A plain Save writes the file back at its own impedance, whatever an
    // earlier file was re-normalised to.
    options_.impedance = rtl::FloatToStr(data.impedance);
    state_.DataFormat = data.format;
    chart_.ClearCurves();
    static const TColor twoPort[4] = { 255, 65280, 16711935, 16711680 };
    TColor colour = clRed;
    for (int c = 0; c < data.curveCount(); ++c) {
        if (data.ports == 2)
            colour = twoPort[c];
        else if (c > 0)
            colour = smith::NextColour(colour);
        int index = chart_.AddCurve(CurveLegend(data.ports, c), colour);
        chart_.CurveAt(index)->Points = std::move(data.points[static_cast<std::size_t>(c)]);
        chart_.SetCurveVisible(index, true);
    }
}

void TSParameterFiles::StartNewData(double impedance)
{
    options_.memo.clear();
    // A chart that never held data has no impedance: the dialog's own then.
    options_.impedance = impedance > 0 ? rtl::FloatToStr(impedance) : SaveOptions {}.impedance;
}

bool TSParameterFiles::SaveSParameterFile(bool saveAs)
{
    const int ports = state_.PortCount;
    PrepareSaveOptions(options_, ports, state_.Named, state_.DataFormat);
    if (!state_.Named || state_.CurrentPath.empty())
        saveAs = true;
    std::string path = state_.CurrentPath;
    if (saveAs) {
        if (!dialogs_.EditSaveOptions(options_, ports))
            return false;
        if (!dialogs_.AskSaveFileName("S-Parameter files (*.SnP)|*.S*|", SaveExtension(options_), path))
            return false;
    }
    // Checked before anything is written, so that a bad choice never
    // touches an existing file.
    if (std::string problem = CheckSaveOptions(options_, ports); !problem.empty()) {
        dialogs_.ShowMessage(problem);
        return false;
    }
    // The reader takes the port count from the extension.
    if (saveAs && PortCountFromPath(path) != ports) {
        dialogs_.ShowMessage("The file name must end in ." + ProposedExtension(ports) + " for data of "
            + std::to_string(ports) + (ports == 1 ? " port." : " ports."));
        return false;
    }
    std::string error;
    SParamSource src = SourceFromChart(chart_, ports, error);
    if (!error.empty()) {
        dialogs_.ShowMessage(error);
        return false;
    }
    SParamWriteSettings s;
    s.parameterType = options_.parameterType;
    s.dataFormat = options_.dataFormat;
    s.digits = options_.digits;
    s.impedanceText = options_.impedance;
    ParseSaveImpedance(options_.impedance, s.newImpedance);
    s.memo = options_.memo;
    std::tie(s.date, s.time) = DateTimeText ? DateTimeText() : LocalDateTimeText();
    error = SaveFileAtomically(path, [&](const TextSink& sink) { return WriteSParameterText(src, s, sink); });
    if (!error.empty()) {
        dialogs_.ShowMessage(error);
        return false;
    }
    state_.SetCurrentFile(path, ports, true);
    return true;
}

} // namespace viewer
