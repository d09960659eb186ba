#include "viewer/app/ui/normalise_form.h"

#include "viewer/app/renormalise.h"
#include "viewer/app/ui/form_parts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace viewer {

TNormalise::TNormalise(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Normalise"));
    setWindowTitle(QString::fromUtf8(kNormaliseCaption));
    auto* root = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Impedance"), this);
    Impedance = new QLineEdit(this);
    Impedance->setObjectName(QStringLiteral("Impedance"));
    label->setBuddy(Impedance);
    row->addWidget(label);
    row->addWidget(Impedance, 1);
    root->addLayout(row);

    auto* buttons = new QHBoxLayout;
    createDialogButtons(this, OKButton, CancelButton, HelpButton);
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    buttons->addWidget(HelpButton);
    root->addLayout(buttons);

    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [this] { emit helpRequested(12); });
    resize(260, 90);
}

void TNormalise::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the main form.
    if (QWidget* owner = parentWidget()) {
        const QRect o = owner->frameGeometry();
        move(o.left() + (o.width() - frameGeometry().width()) / 2,
            o.top() + (o.height() - frameGeometry().height()) / 2);
    }
    Impedance->selectAll();
    Impedance->setFocus();
}

} // namespace viewer
