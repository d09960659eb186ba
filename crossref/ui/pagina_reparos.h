#pragma once

// The "Repairs/hints database" page: the repair table's grid, hidden
// data-aware boxes that follow its current record, the free edit boxes the
// record is copied into, the quick search and the tool panel.

#include "crossref/mensagens.h"
#include "crossref/ui/controles_db.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>

#include <string>

class QToolButton;

namespace crossref {

// A hidden read-only box showing one field of a dataset's current record.
class TDBEdit : public QLineEdit {
    Q_OBJECT
public:
    TDBEdit(std::string campo, QWidget* pai = nullptr);
    void SetDataSet(db::TDataSet* dataset);

private:
    db::TDataLink link_;
    std::string campo_;
};

// The same for a long text (the solution blob).
class TDBMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    TDBMemo(std::string campo, QWidget* pai = nullptr);
    void SetDataSet(db::TDataSet* dataset);

private:
    void Atualiza();

    db::TDataLink link_;
    std::string campo_;
};

class TPaginaReparos : public QWidget {
    Q_OBJECT
public:
    explicit TPaginaReparos(TServicoDeMensagens& mensagens, QWidget* pai = nullptr);

    // Binds the grid and the hidden boxes to the repair table (null unbinds).
    void LigaTabela(db::TTable* tabela);
    db::TTable* Tabela() const { return tabela_; }

    // Copies the hidden boxes (the table's current record) into the edit
    // boxes; nothing when the table is not open.
    void CopiaRegistroBDR();
    // Empties the edit boxes; the table is not touched.
    void LimpaCamposBDR();
    // Set by every change of the edit boxes, by clearing and by copying.
    bool Alterado() const { return alterado_; }

    TDBGrid* DBGrid1 = nullptr;
    TDBEdit* DBBDRFabricante = nullptr;
    TDBEdit* DBBDREquipamento = nullptr;
    TDBEdit* DBBDRModelo = nullptr;
    TDBEdit* DBBDRDefeito = nullptr;
    TDBMemo* DBBDRDescricao = nullptr;
    QLineEdit* BDRFabricante = nullptr;
    QLineEdit* BDREquipamento = nullptr;
    QLineEdit* BDRModelo = nullptr;
    QLineEdit* BDRDefeito = nullptr;
    QPlainTextEdit* BDRDescricao = nullptr;
    QLineEdit* BDRBuscaRapida = nullptr;
    QToolButton* GravaBDR = nullptr;
    QToolButton* LimpaBDR = nullptr;
    QToolButton* ApagaBDR = nullptr;
    QToolButton* Backup = nullptr;
    QToolButton* Recupera = nullptr;

private:
    QWidget* CriaPainelDeFerramentas();
    QWidget* CriaCampos();
    void DBGrid1CellClick();
    void BDRBuscaRapidaChange();

    TServicoDeMensagens& mensagens_;
    db::TTable* tabela_ = nullptr;
    bool alterado_ = false;
};

} // namespace crossref
