#include "crossref/reparos.h"

#include "crossref/pesquisa.h"
#include "crossref/texto_legado.h"

namespace crossref {

const char* const TextoGravaBDR = "Save all fields into the database.";
const char* const TextoApagaBDR = "Deletes the selected register.";
const char* const TextoBackup = "Makes a backup copy of the Repair database.";
const char* const TextoRecupera = "Reloads and save the previous backup copy of the Repair database.";

QString TextoDoCampoBDR(const db::TField& campo)
{
    // Text fields and memos come decoded from the table; raw blob bytes do not.
    const paradox::Value& valor = campo.Value();
    if (const auto* bytes = std::get_if<paradox::Blob>(&valor))
        return TextoDoBlob(*bytes);
    return QString::fromStdString(campo.AsString());
}

void BuscaRapidaBDR(db::TTable& tabela, std::string_view texto)
{
    if (tabela.FieldCount() == 0)
        return;
    tabela.SetKey();
    try {
        tabela.Field(0).SetAsString(Apara(texto));
    } catch (...) {
        tabela.Cancel();
        throw;
    }
    tabela.GotoNearest();
}

} // namespace crossref
