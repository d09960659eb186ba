// tavixcat: the semiconductor cross-reference program. Run it with the
// product folder (the one holding data/, library/ and Help/) as the
// current directory.

#include "crossref/mensagens.h"
#include "crossref/modulo_de_dados.h"
#include "crossref/ui/formulario.h"
#include "platform/rtl/format.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(crossref::TituloDaAplicacao));
    QApplication::setApplicationDisplayName(QString::fromUtf8(crossref::TituloDaAplicacao));
    rtl::loadFormatSettingsFromLocale();

    crossref::TFormulario formulario;
    crossref::TModuloDeDados modulo(formulario.DiretorioBase());
    formulario.LigaModuloDeDados(&modulo);
    formulario.showMaximized();
    return app.exec();
}
