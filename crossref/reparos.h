#pragma once

// The repair records page's logic: the text of a repair record's fields, the
// quick search on the repair table and the texts of the tool buttons' boxes.

#include "platform/db/dataset.h"

#include <QString>

#include <string_view>

namespace crossref {

// What a data-aware box shows for a field of the current record: text
// fields as they are, the solution blob as plain text (see TextoDoBlob).
QString TextoDoCampoBDR(const db::TField& campo);

// Nearest-key search on the repair table's primary index with `texto`
// trimmed of blanks; the table's scroll then copies the record found. An
// empty text moves to the first record.
void BuscaRapidaBDR(db::TTable& tabela, std::string_view texto);

// The information boxes of the Save, Delete, Backup and Restore buttons.
extern const char* const TextoGravaBDR;
extern const char* const TextoApagaBDR;
extern const char* const TextoBackup;
extern const char* const TextoRecupera;

} // namespace crossref
