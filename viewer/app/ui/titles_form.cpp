#include "viewer/app/ui/titles_form.h"

#include "viewer/app/ui/form_parts.h"
#include "viewer/app/ui/main_window.h"
#include "viewer/app/ui/qt_viewer_dialogs.h"
#include "viewer/app/viewer_dialogs.h"
#include "viewer/components/ui/smithchartwidget.h"
#include "viewer/components/ui/xychartwidget.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace viewer {

TTitlesForm::TTitlesForm(TMainForm& main)
    : QDialog(&main)
    , main_(main)
{
    setObjectName(QStringLiteral("TitlesForm"));
    setWindowTitle(QStringLiteral("Titles and Fonts"));
    auto* layout = new QVBoxLayout(this);

    auto* titleRow = new QFormLayout;
    auto* titleLine = new QHBoxLayout;
    TitleEdit = new QLineEdit(this);
    TitleFontButton = new QPushButton(QStringLiteral("Title Font"), this);
    titleLine->addWidget(TitleEdit, 1);
    titleLine->addWidget(TitleFontButton);
    titleRow->addRow(QStringLiteral("Title"), titleLine);
    layout->addLayout(titleRow);

    GridTitles = new QGroupBox(QStringLiteral("Grid Chart Titles"), this);
    auto* grid = new QFormLayout(GridTitles);
    LeftEdit = new QLineEdit(GridTitles);
    RightEdit = new QLineEdit(GridTitles);
    XEdit = new QLineEdit(GridTitles);
    grid->addRow(QStringLiteral("Left Axis Title"), LeftEdit);
    grid->addRow(QStringLiteral("Right Axis Title"), RightEdit);
    grid->addRow(QStringLiteral("X Axis Title"), XEdit);
    auto* fontButtons = new QHBoxLayout;
    YTitlesFontButton = new QPushButton(QStringLiteral("Y Titles Font"), GridTitles);
    XTitleFontButton = new QPushButton(QStringLiteral("X Title Font"), GridTitles);
    fontButtons->addWidget(YTitlesFontButton);
    fontButtons->addWidget(XTitleFontButton);
    fontButtons->addStretch();
    grid->addRow(fontButtons);
    layout->addWidget(GridTitles);

    auto* row = new QHBoxLayout;
    row->addStretch();
    createDialogButtons(this, OKButton, CancelButton, HelpButton);
    ApplyButton = new QPushButton(QStringLiteral("Apply"), this);
    for (QPushButton* b : { OKButton, CancelButton, HelpButton, ApplyButton })
        row->addWidget(b);
    layout->addLayout(row);

    connect(OKButton, &QPushButton::clicked, this, [this] {
        Apply();
        accept();
    });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [this] { main_.ShowHelp(4); });
    connect(ApplyButton, &QPushButton::clicked, this, &TTitlesForm::Apply);
    connect(TitleFontButton, &QPushButton::clicked, this, &TTitlesForm::TitleFontClick);
    connect(YTitlesFontButton, &QPushButton::clicked, this, &TTitlesForm::YTitlesFontClick);
    // "X Title Font" is shown but sets nothing.
    for (QLineEdit* e : { TitleEdit, LeftEdit, RightEdit, XEdit })
        connect(e, &QLineEdit::textChanged, this, [this] {
            if (!updating_)
                ApplyButton->setEnabled(true);
        });
    resize(440, 240);
}

void TTitlesForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TTitlesForm::FormActivate()
{
    const TSmithChart& c = main_.SmithChart1().Chart();
    GridTitles->setEnabled(!smith::IsCircular(c.ChartType()));
    const TTitlesValues v = ReadTitles(c);
    updating_ = true;
    TitleEdit->setText(QString::fromStdString(v.Title));
    titleFont_ = v.TitleFont;
    TitleEdit->setFont(ToQFont(titleFont_));
    LeftEdit->setText(QString::fromStdString(v.LeftTitle));
    RightEdit->setText(QString::fromStdString(v.RightTitle));
    XEdit->setText(QString::fromStdString(v.XTitle));
    updating_ = false;
    ApplyButton->setEnabled(false);
}

TTitlesValues TTitlesForm::Values() const
{
    return { TitleEdit->text().toStdString(), titleFont_, LeftEdit->text().toStdString(),
        RightEdit->text().toStdString(), XEdit->text().toStdString() };
}

void TTitlesForm::Apply()
{
    ApplyTitles(Values(), main_.SmithChart1().Chart(), main_.XYChart().Chart());
    main_.SmithChart1().Chart().Paint();
    main_.XYChart().Chart().Paint();
    ApplyButton->setEnabled(false);
}

void TTitlesForm::TitleFontClick()
{
    TChartFont f = titleFont_;
    if (!main_.Dialogs().ChooseFont(f))
        return;
    titleFont_ = f;
    TitleEdit->setFont(ToQFont(f));
    ApplyButton->setEnabled(true);
}

void TTitlesForm::YTitlesFontClick()
{
    // Starts from the title's font, as the title font button does.
    TChartFont f = titleFont_;
    if (!main_.Dialogs().ChooseFont(f))
        return;
    yTitlesFont_ = f;
    LeftEdit->setFont(ToQFont(f));
    RightEdit->setFont(ToQFont(f));
    ApplyButton->setEnabled(true);
}

} // namespace viewer
