#include "crossref/ui/caixa_legenda.h"

#include "crossref/legenda.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace crossref {

TCaixaLegenda::TCaixaLegenda(QWidget* pai)
    : QDialog(pai, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName("CaixaLegenda");
    setWindowTitle(tr("Legenda"));
    setFixedSize(416, 223);

    auto* coluna = new QVBoxLayout(this);
    coluna->setContentsMargins(8, 8, 8, 8);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->clear();
    Memo1->setPlainText(LinhasDaLegenda().join(QLatin1Char('\n')));
    coluna->addWidget(Memo1, 1);

    OKBtn = new QPushButton(tr("OK"), this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    coluna->addWidget(OKBtn, 0, Qt::AlignHCenter);

    if (const QScreen* tela = QGuiApplication::primaryScreen()) {
        const QRect area = tela->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

} // namespace crossref
