#include "viewer/app/ui/scales_form.h"

#include "viewer/app/ui/form_parts.h"
#include "viewer/app/ui/main_window.h"
#include "viewer/app/viewer_dialogs.h"
#include "viewer/components/ui/smithchartwidget.h"
#include "viewer/components/ui/xychartwidget.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace viewer {

TScalesForm::TScalesForm(TMainForm& main)
    : QDialog(&main)
    , main_(main)
{
    setObjectName(QStringLiteral("ScalesForm"));
    setWindowTitle(QStringLiteral("Grid Chart Scales"));
    auto* layout = new QVBoxLayout(this);

    auto* scales = new QGroupBox(QStringLiteral("Grid Chart Scales"), this);
    auto* form = new QFormLayout(scales);
    QLineEdit** edits[6] = { &LeftYMax, &LeftYMin, &RightYMax, &RightYMin, &XMin, &XMax };
    const char* labels[6] = { "Left Y max", "Left Y min", "Right Y max", "Right Y min", "X min", "X max" };
    for (int i = 0; i < 6; ++i) {
        *edits[i] = new QLineEdit(scales);
        (*edits[i])->installEventFilter(this);
        // Typing goes through the key filter; a paste counts as a change too.
        connect(*edits[i], &QLineEdit::textEdited, this, [this] { ApplyButton->setEnabled(true); });
        form->addRow(QString::fromUtf8(labels[i]), *edits[i]);
    }
    layout->addWidget(scales);

    auto* intervals = new QGroupBox(QStringLiteral("Grid Intervals"), this);
    auto* intervalForm = new QFormLayout(intervals);
    HorizLines = new QSpinBox(intervals);
    VertLines = new QSpinBox(intervals);
    for (QSpinBox* s : { HorizLines, VertLines }) {
        s->setRange(0, 50);
        s->setValue(10);
        connect(s, &QSpinBox::valueChanged, this, [this] {
            if (!updating_)
                ApplyButton->setEnabled(true);
        });
    }
    intervalForm->addRow(QStringLiteral("Horiz lines"), HorizLines);
    intervalForm->addRow(QStringLiteral("Vert Lines"), VertLines);
    layout->addWidget(intervals);

    auto* row = new QHBoxLayout;
    row->addStretch();
    createDialogButtons(this, OKButton, CancelButton, HelpButton);
    ApplyButton = new QPushButton(QStringLiteral("&Apply"), this);
    ApplyButton->setEnabled(false);
    for (QPushButton* b : { OKButton, CancelButton, HelpButton, ApplyButton })
        row->addWidget(b);
    layout->addLayout(row);
    connect(OKButton, &QPushButton::clicked, this, [this] {
        if (Apply())
            accept();
    });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [this] { main_.ShowHelp(6); });
    connect(ApplyButton, &QPushButton::clicked, this, &TScalesForm::Apply);
}

void TScalesForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

bool TScalesForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    // Keys that type nothing (arrows, Delete, Enter, Escape, shortcuts)
    // pass unfiltered; every typed character goes through the filter.
    char c = '\b';
    if (key->key() != Qt::Key_Backspace) {
        const QString text = key->text();
        if (text.isEmpty() || text[0].unicode() < 0x20 || text[0].unicode() == 0x7F
            || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return QDialog::eventFilter(watched, event);
        if (text.size() != 1 || text[0].unicode() > 0x7F)
            return true;
        c = static_cast<char>(text[0].unicode());
    }
    if (!ScalesKeyAccepted(c))
        return true;
    ApplyButton->setEnabled(true);
    return QDialog::eventFilter(watched, event);
}

void TScalesForm::FormActivate()
{
    smith_ = main_.SmithVisible();
    const TScalesTexts t = smith_ ? ReadScales(main_.SmithChart1().Chart()) : ReadScales(main_.XYChart().Chart());
    updating_ = true;
    LeftYMax->setText(QString::fromStdString(t.LeftYMax));
    LeftYMin->setText(QString::fromStdString(t.LeftYMin));
    RightYMax->setText(QString::fromStdString(t.RightYMax));
    RightYMin->setText(QString::fromStdString(t.RightYMin));
    XMin->setText(QString::fromStdString(t.XMin));
    XMax->setText(QString::fromStdString(t.XMax));
    HorizLines->setValue(t.HorizLines);
    VertLines->setValue(t.VertLines);
    updating_ = false;
    ApplyButton->setEnabled(false);
}

TScalesTexts TScalesForm::Texts() const
{
    TScalesTexts t;
    t.LeftYMax = LeftYMax->text().toStdString();
    t.LeftYMin = LeftYMin->text().toStdString();
    t.RightYMax = RightYMax->text().toStdString();
    t.RightYMin = RightYMin->text().toStdString();
    t.XMin = XMin->text().toStdString();
    t.XMax = XMax->text().toStdString();
    t.HorizLines = HorizLines->value();
    t.VertLines = VertLines->value();
    return t;
}

bool TScalesForm::Apply()
{
    TScalesValues v;
    if (std::string error = ParseScales(Texts(), v); !error.empty()) {
        main_.Dialogs().ShowMessage(error);
        return false;
    }
    if (smith_) {
        ApplyScales(v, main_.SmithChart1().Chart());
        main_.SmithChart1().Chart().Paint();
    } else {
        ApplyScales(v, main_.XYChart().Chart());
        main_.XYChart().Chart().Paint();
    }
    ApplyButton->setEnabled(false);
    return true;
}

} // namespace viewer
