#include "crossref/ui/mensagens_qt.h"

#include <QApplication>
#include <QMessageBox>

namespace crossref {

namespace {

// A box must never open under a busy cursor set by the interrupted handler.
class TCursorNormal {
public:
    TCursorNormal()
    {
        if (QApplication::overrideCursor())
            QApplication::setOverrideCursor(Qt::ArrowCursor), pushed_ = true;
    }
    ~TCursorNormal()
    {
        if (pushed_)
            QApplication::restoreOverrideCursor();
    }

private:
    bool pushed_ = false;
};

} // namespace

void TMensagensQt::Informacao(const std::string& texto)
{
    TCursorNormal cursor;
    QMessageBox::information(pai_, QString::fromUtf8(TituloDaAplicacao), QString::fromStdString(texto));
}

bool TMensagensQt::Pergunta(const std::string& texto)
{
    TCursorNormal cursor;
    auto resposta = QMessageBox::question(pai_, QString::fromUtf8(TituloDaAplicacao), QString::fromStdString(texto),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return resposta == QMessageBox::Yes;
}

void TMensagensQt::Erro(const std::string& texto)
{
    TCursorNormal cursor;
    QMessageBox::critical(pai_, QString::fromUtf8(TituloDaAplicacao), QString::fromStdString(texto));
}

void TMensagensQt::Aviso(const std::string& texto)
{
    auto* caixa = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(TituloDaAplicacao),
        QString::fromStdString(texto), QMessageBox::Ok, pai_);
    caixa->setAttribute(Qt::WA_DeleteOnClose);
    caixa->setAttribute(Qt::WA_ShowWithoutActivating);
    caixa->setWindowModality(Qt::NonModal);
    caixa->show();
}

} // namespace crossref
