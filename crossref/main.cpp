// tavixcat: the semiconductor cross-reference program. Run it with the
// product folder (the one holding data/, library/ and Help/) as the
// current directory.

#include "crossref/mensagens.h"
#include "crossref/modulo_de_dados.h"
#include "crossref/ui/formulario.h"
#include "platform/rtl/format.h"

#include <QApplication>

#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The name only: a display name would be added to every window title,
    // and the main window's title already carries the brand.
    QApplication::setApplicationName(QString::fromUtf8(crossref::TituloDaAplicacao));
    rtl::loadFormatSettingsFromLocale();

    auto formulario = std::make_unique<crossref::TFormulario>();
    auto modulo = std::make_unique<crossref::TModuloDeDados>(formulario->DiretorioBase());
    formulario->LigaModuloDeDados(modulo.get());
    formulario->showMaximized();
    const int resultado = app.exec();
    formulario.reset(); // before the module its views are bound to
    modulo.reset();
    return resultado;
}
