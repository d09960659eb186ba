#include "viewer/components/ui/pagesetupdialog.h"

#include "viewer/components/qtchartcanvas.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

namespace viewer {

namespace {

constexpr std::uint32_t kDisableMargins = 0x10;
constexpr std::uint32_t kDisablePrinter = 0x20;
constexpr std::uint32_t kNoWarning = 0x80;
constexpr std::uint32_t kDisableOrientation = 0x100;
constexpr std::uint32_t kDisablePaper = 0x200;
constexpr std::uint32_t kShowHelp = 0x800;
constexpr std::uint32_t kDisablePagePainting = 0x80000;

QRect ToQRect(const TPSRect& r)
{
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

const struct {
    int code;
    QPageSize::PageSizeId id;
} kPageIds[] = {
    { 1, QPageSize::Letter },
    { 5, QPageSize::Legal },
    { 7, QPageSize::Executive },
    { 8, QPageSize::A3 },
    { 9, QPageSize::A4 },
    { 11, QPageSize::A5 },
    { 13, QPageSize::JisB5 },
    { 20, QPageSize::Comm10E },
    { 27, QPageSize::DLE },
    { 28, QPageSize::C5E },
};

// The code of a paper that only the printer knows (the first code left to
// printer drivers).
constexpr int kPrinterPaper = 256;

} // namespace

// The sample page: the paper at the chosen size and orientation with its
// margins, each stage offered to the owner before it is drawn.
class TPageSetupPreview : public QWidget {
public:
    explicit TPageSetupPreview(TPageSetupForm& form)
        : QWidget(&form)
        , form_(form)
    {
        setObjectName(QStringLiteral("Sample"));
        setMinimumSize(220, 220);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        const TPageSetupRecord& rec = form_.record_;
        const TPSPaper& paper = form_.paper();
        const TPSPreviewGeometry g
            = PreviewGeometry(width(), height(), rec.PaperSize, rec.Margins, rec.MinMargins, paper.Envelope);
        if (g.Scale <= 0)
            return;
        if (rec.Flags & kDisablePagePainting) {
            drawOwn(p, TPSPaintWhat::pwFullPage, g.Page);
            return;
        }
        TPageSetupDialog& owner = form_.owner_;
        const bool hooked = owner.PaintHookInstalled();
        if (hooked) {
            const auto d = DecodeInitPaintPage(
                InitPaintPageWord(paper.Envelope ? TPSPaperType::ptEnvelope : TPSPaperType::ptPaper,
                    rec.Printer.Orientation, TPSPrinterType::ptHPPCL));
            if (owner.OnInitPaintPage(
                    owner, static_cast<short>(paper.Code), d.PaperType, d.PaperOrientation, d.PrinterType, &rec))
                return;
        }
        const std::pair<TPSPaintWhat, TPSRect> stages[] = {
            { TPSPaintWhat::pwFullPage, g.Page },
            { TPSPaintWhat::pwMinimumMargins, g.MinMargins },
            { TPSPaintWhat::pwMargins, g.Margins },
            { TPSPaintWhat::pwGreekText, g.Margins },
            { TPSPaintWhat::pwEnvStamp, g.EnvStamp },
            { TPSPaintWhat::pwYAFullPage, g.ReturnAddress },
        };
        for (const auto& [what, r] : stages) {
            const bool envelopeOnly = what == TPSPaintWhat::pwEnvStamp || what == TPSPaintWhat::pwYAFullPage;
            if (envelopeOnly && !paper.Envelope)
                continue;
            p.save();
            const bool done = hooked && owner.OnPaintPage(owner, what, p, r);
            p.restore();
            if (!done)
                drawOwn(p, what, r);
        }
    }

private:
    void drawOwn(QPainter& p, TPSPaintWhat what, const TPSRect& r)
    {
        const QRect q = ToQRect(r);
        switch (what) {
        case TPSPaintWhat::pwFullPage:
            p.fillRect(q.translated(3, 3), Qt::darkGray);
            p.fillRect(q, Qt::white);
            p.setPen(Qt::black);
            p.drawRect(q);
            break;
        case TPSPaintWhat::pwMinimumMargins:
            break;
        case TPSPaintWhat::pwMargins:
            p.setPen(QPen(Qt::gray, 1, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(q);
            break;
        case TPSPaintWhat::pwGreekText:
            p.setPen(QPen(Qt::lightGray, 2));
            for (int y = r.top + 4; y < r.bottom - 2; y += 5)
                p.drawLine(r.left + 2, y, r.right - 3, y);
            break;
        case TPSPaintWhat::pwEnvStamp:
            p.setPen(Qt::black);
            p.drawRect(q);
            break;
        case TPSPaintWhat::pwYAFullPage:
            p.setPen(QPen(Qt::darkGray, 1));
            for (int y = r.top + 3; y < r.bottom; y += 4)
                p.drawLine(r.left, y, r.left + r.Width() * 2 / 3, y);
            break;
        }
    }

    TPageSetupForm& form_;
};

TPageSetupForm::TPageSetupForm(TPageSetupDialog& owner, TPageSetupRecord& record, QWidget* parent)
    : QDialog(parent)
    , owner_(owner)
    , result_(record)
    , record_(record)
    , unit_((record.Flags & psdInHundredthsOfMillimeters) ? TPSMeasurements::pmMillimeters : TPSMeasurements::pmInches)
{
    setWindowTitle(QStringLiteral("Page Setup"));
    // A paper of the printer's that the table does not know stays the
    // paper, offered under its own name, unless the user picks another.
    const TPSPrinterSetup& ps = record_.Printer;
    const bool own = !FindPaper(ps.PaperCode) && ps.PaperMM.x > 0 && ps.PaperMM.y > 0;
    if (own)
        ownPaper_ = { ps.PaperCode, ps.PaperName.empty() ? std::string("Printer's paper") : ps.PaperName, false,
            TPSMeasurements::pmMillimeters, ps.PaperMM.x, ps.PaperMM.y };
    else if (!FindPaper(ps.PaperCode))
        record_.Printer.PaperCode = 9;

    auto* root = new QVBoxLayout(this);
    preview_ = new TPageSetupPreview(*this);
    root->addWidget(preview_, 1);

    auto* paperBox = new QGroupBox(QStringLiteral("Paper"), this);
    auto* paperLayout = new QHBoxLayout(paperBox);
    paperLayout->addWidget(new QLabel(QStringLiteral("Size:"), paperBox));
    size_ = new QComboBox(paperBox);
    size_->setObjectName(QStringLiteral("Size"));
    for (const auto& p : Papers())
        size_->addItem(QString::fromStdString(p.Name), p.Code);
    if (own)
        size_->addItem(QString::fromStdString(ownPaper_.Name), ownPaper_.Code);
    size_->setCurrentIndex(size_->findData(record_.Printer.PaperCode));
    paperLayout->addWidget(size_, 1);
    root->addWidget(paperBox);

    auto* row = new QHBoxLayout;
    auto* orientBox = new QGroupBox(QStringLiteral("Orientation"), this);
    auto* orientLayout = new QVBoxLayout(orientBox);
    portrait_ = new QRadioButton(QStringLiteral("Portrait"), orientBox);
    portrait_->setObjectName(QStringLiteral("Portrait"));
    landscape_ = new QRadioButton(QStringLiteral("Landscape"), orientBox);
    landscape_->setObjectName(QStringLiteral("Landscape"));
    (record_.Printer.Orientation == TPSPaperOrientation::poLandscape ? landscape_ : portrait_)->setChecked(true);
    orientLayout->addWidget(portrait_);
    orientLayout->addWidget(landscape_);
    row->addWidget(orientBox);

    auto* marginBox = new QGroupBox(unit_ == TPSMeasurements::pmMillimeters ? QStringLiteral("Margins (millimeters)")
                                                                            : QStringLiteral("Margins (inches)"),
        this);
    auto* grid = new QGridLayout(marginBox);
    const auto edit = [&](const char* caption, const char* name, int r, int c) {
        grid->addWidget(new QLabel(QString::fromLatin1(caption), marginBox), r, c);
        auto* e = new QLineEdit(marginBox);
        e->setObjectName(QString::fromLatin1(name));
        grid->addWidget(e, r, c + 1);
        connect(e, &QLineEdit::editingFinished, this, [this] {
            TPSRect m;
            std::string why;
            if (readMargins(m, why)) {
                record_.Margins = m;
                preview_->update();
            }
        });
        return e;
    };
    left_ = edit("Left:", "Left", 0, 0);
    right_ = edit("Right:", "Right", 0, 2);
    top_ = edit("Top:", "Top", 1, 0);
    bottom_ = edit("Bottom:", "Bottom", 1, 2);
    row->addWidget(marginBox, 1);
    root->addLayout(row);

    printerLabel_ = new QLabel(this);
    printerLabel_->setObjectName(QStringLiteral("PrinterWarning"));
    printerLabel_->setText(QStringLiteral("No printer is installed; the page is set up for a PDF file."));
    // Only when the system has no printer at all: a page set up for a PDF
    // file while printers are there says nothing.
    printerLabel_->setVisible(record_.Printer.Name.empty() && !(record_.Flags & kNoWarning)
        && QPrinterInfo::availablePrinterNames().isEmpty());
    root->addWidget(printerLabel_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* printer = buttons->addButton(QStringLiteral("&Printer..."), QDialogButtonBox::ActionRole);
    printer->setObjectName(QStringLiteral("Printer"));
    auto* help = buttons->addButton(QDialogButtonBox::Help);
    help->setObjectName(QStringLiteral("Help"));
    help->setVisible(record_.Flags & kShowHelp);
    root->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &TPageSetupForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TPageSetupForm::reject);
    connect(printer, &QPushButton::clicked, this, &TPageSetupForm::printerClicked);
    connect(help, &QPushButton::clicked, this, [this] {
        if (owner_.OnHelp)
            owner_.OnHelp(owner_, owner_.HelpContext);
    });
    // F1 is the Help button, while the dialog shows one.
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, help, [help] {
        if (!help->isHidden())
            help->click();
    });
    connect(size_, &QComboBox::currentIndexChanged, this, &TPageSetupForm::paperChanged);
    connect(portrait_, &QRadioButton::toggled, this, &TPageSetupForm::orientationChanged);

    size_->setEnabled(!(record_.Flags & kDisablePaper));
    portrait_->setEnabled(!(record_.Flags & kDisableOrientation));
    landscape_->setEnabled(!(record_.Flags & kDisableOrientation));
    for (auto* e : { left_, right_, top_, bottom_ })
        e->setEnabled(!(record_.Flags & kDisableMargins));
    printer->setEnabled(!(record_.Flags & kDisablePrinter));

    // The dialog reports the printer's own least margins and the paper it
    // shows, whatever the caller passed in.
    const TPSRect& mm = record_.Printer.MinMargins;
    record_.MinMargins = { ConvertLength(mm.left, TPSMeasurements::pmMillimeters, unit_),
        ConvertLength(mm.top, TPSMeasurements::pmMillimeters, unit_),
        ConvertLength(mm.right, TPSMeasurements::pmMillimeters, unit_),
        ConvertLength(mm.bottom, TPSMeasurements::pmMillimeters, unit_) };
    record_.PaperSize = PaperExtent(paper(), record_.Printer.Orientation, unit_);
    showMargins();
    resize(420, 520);
}

const TPSPaper& TPageSetupForm::paper() const
{
    if (ownPaper_.Width > 0 && record_.Printer.PaperCode == ownPaper_.Code)
        return ownPaper_;
    const TPSPaper* p = FindPaper(record_.Printer.PaperCode);
    return p ? *p : *FindPaper(9);
}

void TPageSetupForm::showMargins()
{
    left_->setText(QString::fromStdString(FormatLength(record_.Margins.left, unit_)));
    right_->setText(QString::fromStdString(FormatLength(record_.Margins.right, unit_)));
    top_->setText(QString::fromStdString(FormatLength(record_.Margins.top, unit_)));
    bottom_->setText(QString::fromStdString(FormatLength(record_.Margins.bottom, unit_)));
}

bool TPageSetupForm::readMargins(TPSRect& margins, std::string& why) const
{
    const std::pair<QLineEdit*, int*> boxes[] = { { left_, &margins.left }, { top_, &margins.top },
        { right_, &margins.right }, { bottom_, &margins.bottom } };
    for (const auto& [edit, value] : boxes) {
        const auto v = ParseLength(edit->text().toStdString(), unit_);
        if (!v) {
            why = "\"" + edit->text().toStdString() + "\" is not a margin: enter a number of " + UnitCaption(unit_)
                + ", 0 or more.";
            return false;
        }
        *value = *v;
    }
    why = CheckMargins(margins, record_.MinMargins, record_.PaperSize, unit_);
    return why.empty();
}

void TPageSetupForm::refuse(const std::string& why)
{
    // The margins last accepted stay; the boxes show them again.
    showMargins();
    preview_->update();
    tell(why);
}

void TPageSetupForm::tell(const std::string& text)
{
    auto* box = new QMessageBox(
        QMessageBox::Warning, QStringLiteral("Page Setup"), QString::fromStdString(text), QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("PageSetupMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TPageSetupForm::paperChanged()
{
    record_.Printer.PaperCode = size_->currentData().toInt();
    record_.PaperSize = PaperExtent(paper(), record_.Printer.Orientation, unit_);
    preview_->update();
}

void TPageSetupForm::orientationChanged()
{
    record_.Printer.Orientation
        = portrait_->isChecked() ? TPSPaperOrientation::poPortrait : TPSPaperOrientation::poLandscape;
    record_.PaperSize = PaperExtent(paper(), record_.Printer.Orientation, unit_);
    preview_->update();
}

void TPageSetupForm::printerClicked()
{
    if (owner_.DoPrinter(this))
        return;
    QStringList names = QPrinterInfo::availablePrinterNames();
    if (names.isEmpty()) {
        tell("No printer is installed; the page is set up for a PDF file.");
        return;
    }
    bool ok = false;
    const int current = std::max<qsizetype>(0, names.indexOf(QString::fromStdString(record_.Printer.Name)));
    const QString name
        = QInputDialog::getItem(this, QStringLiteral("Printer"), QStringLiteral("Name:"), names, current, false, &ok);
    if (!ok)
        return;
    record_.Printer.Name = name.toStdString();
    printerLabel_->setVisible(false);
}

void TPageSetupForm::accept()
{
    TPSRect m;
    std::string why;
    if (!readMargins(m, why)) {
        refuse(why);
        return;
    }
    record_.Margins = m;
    result_ = record_;
    QDialog::accept();
}

void TPageSetupForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Only a dialog with a hook is centred; without one it opens where the
    // system puts it.
    if (owner_.SetupHookInstalled()) {
        if (QScreen* s = screen()) {
            const QRect sg = s->geometry();
            const TPSPoint pos
                = CenterWindowPos(sg.width(), sg.height(), frameGeometry().width(), frameGeometry().height());
            move(sg.left() + pos.x, sg.top() + pos.y);
        }
    }
}

bool TQtPageSetupDialog::RunDialog(TPageSetupRecord& record)
{
    TPageSetupForm form(*this, record, parent_);
    return form.exec() == QDialog::Accepted;
}

TPSPrinterSetup TQtPageSetupDialog::CurrentPrinter() const
{
    TPSPrinterSetup s = TPageSetupDialog::CurrentPrinter();
    if (!Printer)
        return s;
    s.Name = Printer->outputFormat() == QPrinter::NativeFormat ? Printer->printerName().toStdString() : std::string();
    const QPageLayout layout = Printer->pageLayout();
    bool known = false;
    for (const auto& e : kPageIds)
        if (e.id == layout.pageSize().id()) {
            s.PaperCode = e.code;
            known = true;
        }
    if (!known) {
        // Kept as the printer's own paper.
        s.PaperCode = kPrinterPaper;
        s.PaperName = layout.pageSize().name().toStdString();
        const QSizeF mm = layout.pageSize().size(QPageSize::Millimeter);
        s.PaperMM
            = { qRound(std::min(mm.width(), mm.height()) * 100), qRound(std::max(mm.width(), mm.height()) * 100) };
    }
    s.Orientation = layout.orientation() == QPageLayout::Landscape ? TPSPaperOrientation::poLandscape
                                                                   : TPSPaperOrientation::poPortrait;
    QPageLayout inMm = layout;
    inMm.setUnits(QPageLayout::Millimeter);
    const QMarginsF mm = inMm.minimumMargins();
    s.MinMargins
        = { qRound(mm.left() * 100), qRound(mm.top() * 100), qRound(mm.right() * 100), qRound(mm.bottom() * 100) };
    return s;
}

void TQtPageSetupDialog::ApplyPrinter(const TPSPrinterSetup& printer)
{
    TPageSetupDialog::ApplyPrinter(printer);
    if (!Printer)
        return;
    if (!printer.Name.empty() && Printer->printerName().toStdString() != printer.Name) {
        Printer->setOutputFormat(QPrinter::NativeFormat);
        Printer->setPrinterName(QString::fromStdString(printer.Name));
    }
    for (const auto& e : kPageIds)
        if (e.code == printer.PaperCode)
            Printer->setPageSize(QPageSize(e.id));
    Printer->setPageOrientation(
        printer.Orientation == TPSPaperOrientation::poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void PaintInRect(QPainter& painter, const TPSRect& rect, int refW, int refH,
    const std::function<void(TChartCanvas& canvas, int W, int H)>& draw)
{
    const int W = rect.Width();
    const int H = rect.Height();
    if (W <= 0 || H <= 0)
        return;
    // Fonts are in points: the image's resolution sets their pixel size.
    const double screenDpi = painter.device() ? painter.device()->logicalDpiY() : 96.0;
    double shrink = 1.0;
    if (refW > 0 && refH > 0)
        shrink = std::min({ 1.0, static_cast<double>(W) / refW, static_cast<double>(H) / refH });
    constexpr double kLeastDpi = 48.0; // a 10 point font still 6 or 7 pixels high
    const double dpi = std::max(kLeastDpi, screenDpi * shrink);
    QImage image(W, H, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    {
        TQtChartCanvas canvas(&image);
        draw(canvas, W, H);
    }
    painter.drawImage(rect.left, rect.top, image);
}

} // namespace viewer
