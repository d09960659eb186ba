#pragma once

// Data-aware views over the datasets: a grid model per dataset and column
// set, the grid itself (a click moves the dataset's cursor) and a label that
// shows one field of the current record.

#include "crossref/colunas.h"
#include "platform/db/dataset.h"

#include <QAbstractTableModel>
#include <QLabel>
#include <QTableView>

#include <functional>
#include <string>

namespace crossref {

class TModeloDataSet : public QAbstractTableModel {
    Q_OBJECT
public:
    TModeloDataSet(db::TDataSet* dataset, TColunas colunas, QObject* pai = nullptr);

    int rowCount(const QModelIndex& pai = {}) const override;
    int columnCount(const QModelIndex& pai = {}) const override;
    QVariant data(const QModelIndex& indice, int papel = Qt::DisplayRole) const override;
    QVariant headerData(int secao, Qt::Orientation orientacao, int papel) const override;

    db::TDataSet* DataSet() const { return link_.DataSet(); }
    void SetDataSet(db::TDataSet* dataset);
    const TColunas& Colunas() const { return colunas_; }
    // Fields of the column set that the open dataset does not have.
    std::vector<std::string> CamposAusentes() const;

signals:
    // The dataset's current record, 0-based; -1 when closed or empty.
    void cursorMudou(int linha);

private:
    void Evento(db::TDataEvent evento);
    db::TField* Campo(int coluna) const;

    db::TDataLink link_;
    TColunas colunas_;
    int linhaAtual_ = -1;
};

// A read-only grid with row selection, an indicator column, column and row
// lines, selection always shown and no title row. The grids of one window
// bound to one dataset show the same rows: whatever scrolls one of them
// scrolls the others, so that a row read across them is one record.
class TDBGrid : public QTableView {
    Q_OBJECT
public:
    TDBGrid(db::TDataSet* dataset, const TColunas& colunas, QWidget* pai = nullptr);

    TModeloDataSet* Modelo() const { return modelo_; }
    void SetDataSet(db::TDataSet* dataset) { modelo_->SetDataSet(dataset); }
    // Errors raised while the grid moves the cursor go here.
    std::function<void(const std::exception_ptr&)> AoFalhar;
    // Width that shows every column without a scroll bar.
    int LarguraNatural() const;

private:
    void CursorMudou(int linha);
    void LinhaEscolhida(const QModelIndex& atual);
    void Rolou(int valor);

    TModeloDataSet* modelo_;
    bool sincronizando_ = false;
    bool seguindo_ = false; // scrolled by a sibling grid
};

// A label showing one field of a dataset's current record.
class TDBText : public QLabel {
    Q_OBJECT
public:
    TDBText(db::TDataSet* dataset, std::string campo, QWidget* pai = nullptr);
    const std::string& Campo() const { return campo_; }
    void SetDataSet(db::TDataSet* dataset);

private:
    void Atualiza();

    db::TDataLink link_;
    std::string campo_;
};

} // namespace crossref
