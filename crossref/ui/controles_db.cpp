#include "crossref/ui/controles_db.h"

#include "crossref/mensagens.h"

#include <QHeaderView>
#include <QPalette>
#include <QScrollBar>

namespace crossref {

namespace {

std::string TextoDoCampo(const db::TField& campo, int recNo)
{
    switch (campo.DataType()) {
    case db::TFieldType::ftMemo:
    case db::TFieldType::ftFmtMemo:
        return campo.AsStringAt(recNo);
    default:
        return campo.DisplayTextAt(recNo);
    }
}

} // namespace

TModeloDataSet::TModeloDataSet(db::TDataSet* dataset, TColunas colunas, QObject* pai)
    : QAbstractTableModel(pai)
    , colunas_(std::move(colunas))
{
    link_.OnEvent = [this](db::TDataEvent evento) { Evento(evento); };
    link_.SetDataSet(dataset);
    if (link_.Active())
        linhaAtual_ = dataset->RecNo() - 1;
}

void TModeloDataSet::SetDataSet(db::TDataSet* dataset)
{
    beginResetModel();
    link_.SetDataSet(dataset);
    linhaAtual_ = link_.Active() ? dataset->RecNo() - 1 : -1;
    endResetModel();
    emit cursorMudou(linhaAtual_);
}

void TModeloDataSet::Evento(db::TDataEvent evento)
{
    db::TDataSet* ds = link_.DataSet();
    const int linha = (ds && ds->Active()) ? ds->RecNo() - 1 : -1;
    if (evento == db::TDataEvent::deScrolled) {
        const int anterior = linhaAtual_;
        linhaAtual_ = linha;
        if (anterior >= 0 && anterior < rowCount())
            emit headerDataChanged(Qt::Vertical, anterior, anterior);
        if (linha >= 0)
            emit headerDataChanged(Qt::Vertical, linha, linha);
    } else {
        beginResetModel();
        linhaAtual_ = linha;
        endResetModel();
    }
    emit cursorMudou(linhaAtual_);
}

int TModeloDataSet::rowCount(const QModelIndex& pai) const
{
    if (pai.isValid() || !link_.Active())
        return 0;
    return link_.DataSet()->RecordCount();
}

int TModeloDataSet::columnCount(const QModelIndex& pai) const
{
    return pai.isValid() ? 0 : static_cast<int>(colunas_.size());
}

db::TField* TModeloDataSet::Campo(int coluna) const
{
    if (!link_.Active() || coluna < 0 || coluna >= static_cast<int>(colunas_.size()))
        return nullptr;
    return link_.DataSet()->FindField(colunas_[static_cast<size_t>(coluna)].campo);
}

std::vector<std::string> TModeloDataSet::CamposAusentes() const
{
    std::vector<std::string> ausentes;
    if (!link_.Active())
        return ausentes;
    for (const auto& coluna : colunas_)
        if (!link_.DataSet()->FindField(coluna.campo))
            ausentes.push_back(coluna.campo);
    return ausentes;
}

QVariant TModeloDataSet::data(const QModelIndex& indice, int papel) const
{
    if (!indice.isValid())
        return {};
    const auto& coluna = colunas_[static_cast<size_t>(indice.column())];
    switch (papel) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        db::TField* campo = Campo(indice.column());
        if (!campo)
            return {};
        try {
            return QString::fromStdString(TextoDoCampo(*campo, indice.row() + 1));
        } catch (const std::exception&) {
            return {}; // a row that cannot be shown must not break painting
        }
    }
    case Qt::BackgroundRole:
        return QColor(indice.column() % 2 == 0 ? QColor(0, 255, 255) : QColor(Qt::white));
    case Qt::ForegroundRole:
        return QColor(Qt::black);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(coluna.aEsquerda ? (Qt::AlignLeft | Qt::AlignVCenter) : Qt::AlignCenter);
    default:
        return {};
    }
}

QVariant TModeloDataSet::headerData(int secao, Qt::Orientation orientacao, int papel) const
{
    if (orientacao == Qt::Horizontal) {
        if (papel == Qt::DisplayRole && secao >= 0 && secao < static_cast<int>(colunas_.size()))
            return QString::fromStdString(colunas_[static_cast<size_t>(secao)].titulo);
        return {};
    }
    // The indicator column marks the current record.
    if (papel == Qt::DisplayRole)
        return secao == linhaAtual_ ? QStringLiteral("\u25B6") : QString();
    if (papel == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignCenter);
    return {};
}

TDBGrid::TDBGrid(db::TDataSet* dataset, const TColunas& colunas, QWidget* pai)
    : QTableView(pai)
    , modelo_(new TModeloDataSet(dataset, colunas, this))
{
    setModel(modelo_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    horizontalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setFixedWidth(14);
    QFont fonte = font();
    fonte.setPointSize(8);
    setFont(fonte);
    // Keep the selection visible when another control has the focus.
    QPalette paleta = palette();
    paleta.setColor(QPalette::Inactive, QPalette::Highlight, paleta.color(QPalette::Active, QPalette::Highlight));
    paleta.setColor(
        QPalette::Inactive, QPalette::HighlightedText, paleta.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(paleta);
    for (int i = 0; i < static_cast<int>(colunas.size()); ++i)
        setColumnWidth(i, colunas[static_cast<size_t>(i)].largura);

    connect(modelo_, &TModeloDataSet::cursorMudou, this, &TDBGrid::CursorMudou);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TDBGrid::Rolou);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex& atual, const QModelIndex&) { LinhaEscolhida(atual); });
    CursorMudou(modelo_->DataSet() && modelo_->DataSet()->Active() ? modelo_->DataSet()->RecNo() - 1 : -1);
}

int TDBGrid::LarguraNatural() const
{
    int largura = verticalHeader()->width() + 2 * frameWidth() + 18; // room for the scroll bar
    for (int i = 0; i < modelo_->columnCount(); ++i)
        largura += columnWidth(i);
    return largura;
}

void TDBGrid::CursorMudou(int linha)
{
    sincronizando_ = true;
    if (linha >= 0) {
        const QModelIndex indice = modelo_->index(linha, std::max(0, currentIndex().column()));
        selectionModel()->setCurrentIndex(indice, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(indice);
    } else {
        selectionModel()->clearSelection();
    }
    sincronizando_ = false;
}

void TDBGrid::Rolou(int valor)
{
    db::TDataSet* ds = modelo_->DataSet();
    if (seguindo_ || !ds)
        return;
    for (TDBGrid* outra : window()->findChildren<TDBGrid*>()) {
        if (outra == this || outra->modelo_->DataSet() != ds)
            continue;
        outra->seguindo_ = true;
        outra->verticalScrollBar()->setValue(valor);
        outra->seguindo_ = false;
    }
}

void TDBGrid::LinhaEscolhida(const QModelIndex& atual)
{
    if (sincronizando_ || !atual.isValid())
        return;
    db::TDataSet* ds = modelo_->DataSet();
    if (!ds || !ds->Active() || ds->RecNo() == atual.row() + 1)
        return;
    try {
        ds->SetRecNo(atual.row() + 1);
    } catch (...) {
        if (AoFalhar)
            AoFalhar(std::current_exception());
    }
}

TDBText::TDBText(db::TDataSet* dataset, std::string campo, QWidget* pai)
    : QLabel(pai)
    , campo_(std::move(campo))
{
    link_.OnEvent = [this](db::TDataEvent) { Atualiza(); };
    link_.SetDataSet(dataset);
    setTextFormat(Qt::PlainText);
    Atualiza();
}

void TDBText::SetDataSet(db::TDataSet* dataset)
{
    link_.SetDataSet(dataset);
    Atualiza();
}

void TDBText::Atualiza()
{
    QString texto;
    if (link_.Active() && link_.DataSet()->RecNo() > 0) {
        if (db::TField* campo = link_.DataSet()->FindField(campo_)) {
            if (const paradox::DamagedValue* dano = campo->Damage()) {
                setText(QString::fromStdString(TextoIlegivel(dano->file)));
                return;
            }
            try {
                texto = QString::fromStdString(TextoDoCampo(*campo, link_.DataSet()->RecNo()));
            } catch (const std::exception&) {
                texto.clear();
            }
        }
    }
    setText(texto);
}

} // namespace crossref
