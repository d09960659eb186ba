#include "crossref/ui/mensagens_qt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWindow>

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

// True while `janela` is being shown but is not on the screen yet.
bool AindaNaoNaTela(QWidget* janela)
{
    return janela && janela->isVisible() && (!janela->windowHandle() || !janela->windowHandle()->isExposed());
}

} // namespace

bool TMensagensQt::Adia(QMessageBox::Icon icone, const std::string& texto)
{
    QWidget* janela = pai_ ? pai_->window() : nullptr;
    if (!AindaNaoNaTela(janela))
        return false;
    adiadas_.emplace_back(icone, texto);
    if (adiadas_.size() == 1)
        QTimer::singleShot(0, janela, [this] { MostraAdiadas(); });
    return true;
}

void TMensagensQt::MostraAdiadas()
{
    // The window is mapped by now; wait (briefly) for it to be drawn.
    QWidget* janela = pai_->window();
    QElapsedTimer espera;
    espera.start();
    while (AindaNaoNaTela(janela) && espera.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    while (!adiadas_.empty()) {
        const auto [icone, texto] = adiadas_.front();
        adiadas_.pop_front();
        TCursorNormal cursor;
        QMessageBox caixa(
            icone, QString::fromUtf8(TituloDaAplicacao), QString::fromStdString(texto), QMessageBox::Ok, pai_);
        caixa.exec();
    }
}

void TMensagensQt::Informacao(const std::string& texto)
{
    if (Adia(QMessageBox::Information, texto))
        return;
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
    if (Adia(QMessageBox::Critical, texto))
        return;
    TCursorNormal cursor;
    QMessageBox::critical(pai_, QString::fromUtf8(TituloDaAplicacao), QString::fromStdString(texto));
}

void TMensagensQt::Aviso(const std::string& texto)
{
    if (Adia(QMessageBox::Warning, texto))
        return;
    auto* caixa = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(TituloDaAplicacao),
        QString::fromStdString(texto), QMessageBox::Ok, pai_);
    caixa->setAttribute(Qt::WA_DeleteOnClose);
    caixa->setAttribute(Qt::WA_ShowWithoutActivating);
    caixa->setWindowModality(Qt::NonModal);
    caixa->show();
}

} // namespace crossref
