#include "crossref/ui/pagina_reparos.h"

#include "crossref/mensagens.h"
#include "crossref/reparos.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>

namespace crossref {

namespace {

// Turns every letter typed or pasted into a small letter (the repair keys
// are stored in small letters).
class TMinusculas : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& texto, int&) const override
    {
        texto = texto.toLower();
        return Acceptable;
    }
};

QString TextoAtual(const db::TDataLink& link, const std::string& nome)
{
    if (!link.Active() || link.DataSet()->RecNo() <= 0)
        return {};
    const db::TField* campo = link.DataSet()->FindField(nome);
    if (!campo)
        return {};
    try {
        return TextoDoCampoBDR(*campo);
    } catch (const std::exception&) {
        return {}; // a record that cannot be read shows nothing, as a blank box
    }
}

// What a box shows in place of a value of the current record that could not
// be read; empty when it reads.
QString IlegivelAtual(const db::TDataLink& link, const std::string& nome)
{
    if (!link.Active() || link.DataSet()->RecNo() <= 0)
        return {};
    const db::TField* campo = link.DataSet()->FindField(nome);
    const paradox::DamagedValue* dano = campo ? campo->Damage() : nullptr;
    return dano ? QString::fromStdString(TextoIlegivel(dano->file)) : QString();
}

const TColunas& ColunasBDR()
{
    static const TColunas colunas
        = { { "Fabricante", "Company", 110, true }, { "Equipamento", "Equipament", 110, true },
              { "Modelo", "Model", 110, true }, { "Defeito", "Flaw", 380, true } };
    return colunas;
}

} // namespace

TDBEdit::TDBEdit(std::string campo, QWidget* pai)
    : QLineEdit(pai)
    , campo_(std::move(campo))
{
    setReadOnly(true);
    link_.OnEvent = [this](db::TDataEvent) { setText(TextoAtual(link_, campo_)); };
}

void TDBEdit::SetDataSet(db::TDataSet* dataset)
{
    link_.SetDataSet(dataset);
    setText(TextoAtual(link_, campo_));
}

TDBMemo::TDBMemo(std::string campo, QWidget* pai)
    : QPlainTextEdit(pai)
    , campo_(std::move(campo))
{
    setReadOnly(true);
    link_.OnEvent = [this](db::TDataEvent) { Atualiza(); };
}

void TDBMemo::SetDataSet(db::TDataSet* dataset)
{
    link_.SetDataSet(dataset);
    Atualiza();
}

void TDBMemo::Atualiza()
{
    // A text that cannot be read leaves the box empty and says why, in the
    // place of the text, without becoming text that could be kept.
    setPlaceholderText(IlegivelAtual(link_, campo_));
    setPlainText(TextoAtual(link_, campo_));
}

TPaginaReparos::TPaginaReparos(TServicoDeMensagens& mensagens, QWidget* pai)
    : QWidget(pai)
    , mensagens_(mensagens)
{
    setObjectName("Reparos");
    auto* coluna = new QVBoxLayout(this);
    coluna->addWidget(CriaPainelDeFerramentas());

    DBGrid1 = new TDBGrid(nullptr, ColunasBDR(), this);
    DBGrid1->setObjectName("DBGrid1");
    // Unlike the part grids this one has its title row.
    DBGrid1->horizontalHeader()->show();
    DBGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    DBGrid1->AoFalhar = [this](const std::exception_ptr& erro) { mensagens_.Erro(TextoDoErro(erro)); };
    connect(DBGrid1, &QAbstractItemView::clicked, this, [this] { Protegido(mensagens_, [&] { DBGrid1CellClick(); }); });
    coluna->addWidget(DBGrid1, 3);
    coluna->addWidget(CriaCampos(), 2);

    // The copy's source: boxes that follow the current record, never shown.
    DBBDRFabricante = new TDBEdit("Fabricante", this);
    DBBDRFabricante->setObjectName("DBBDRFabricante");
    DBBDREquipamento = new TDBEdit("Equipamento", this);
    DBBDREquipamento->setObjectName("DBBDREquipamento");
    DBBDRModelo = new TDBEdit("Modelo", this);
    DBBDRModelo->setObjectName("DBBDRModelo");
    DBBDRDefeito = new TDBEdit("Defeito", this);
    DBBDRDefeito->setObjectName("DBBDRDefeito");
    DBBDRDescricao = new TDBMemo("Descricao", this);
    DBBDRDescricao->setObjectName("DBBDRDescricao");
    for (QWidget* oculto : std::initializer_list<QWidget*> {
             DBBDRFabricante, DBBDREquipamento, DBBDRModelo, DBBDRDefeito, DBBDRDescricao })
        oculto->hide();
}

QWidget* TPaginaReparos::CriaPainelDeFerramentas()
{
    auto* painel = new QWidget(this);
    auto* linha = new QHBoxLayout(painel);
    linha->setContentsMargins(0, 0, 0, 0);
    linha->setSpacing(2);
    auto botao = [&](const char* nome, const QString& texto, const QString& dica, QStyle::StandardPixmap icone,
                     const char* mensagem) {
        auto* b = new QToolButton(painel);
        b->setObjectName(nome);
        b->setText(texto);
        b->setToolTip(dica);
        b->setIcon(style()->standardIcon(icone));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        if (mensagem)
            connect(b, &QToolButton::clicked, this,
                [this, mensagem] { Protegido(mensagens_, [&] { mensagens_.Informacao(mensagem); }); });
        linha->addWidget(b);
        return b;
    };
    GravaBDR = botao(
        "GravaBDR", tr("Save"), tr("Save changes in into database"), QStyle::SP_DialogSaveButton, TextoGravaBDR);
    LimpaBDR = botao("LimpaBDR", tr("Clear"), tr("Clear edition fields"), QStyle::SP_DialogResetButton, nullptr);
    connect(LimpaBDR, &QToolButton::clicked, this, [this] { Protegido(mensagens_, [&] { LimpaCamposBDR(); }); });
    ApagaBDR = botao("ApagaBDR", tr("Delete"), tr("Delete register"), QStyle::SP_TrashIcon, TextoApagaBDR);
    Backup = botao(
        "Backup", tr("Backup"), tr("Make a backup of the Repair database"), QStyle::SP_DriveHDIcon, TextoBackup);
    Recupera = botao("Recupera", tr("Restore"), tr("Reload a backup of the Repair database"), QStyle::SP_BrowserReload,
        TextoRecupera);
    linha->addSpacing(24);

    linha->addWidget(new QLabel(tr("Quick search:"), painel));
    BDRBuscaRapida = new QLineEdit(painel);
    BDRBuscaRapida->setObjectName("BDRBuscaRapida");
    BDRBuscaRapida->setValidator(new TMinusculas(BDRBuscaRapida));
    BDRBuscaRapida->setMaxLength(15);
    BDRBuscaRapida->setFixedWidth(140);
    connect(BDRBuscaRapida, &QLineEdit::textChanged, this,
        [this] { Protegido(mensagens_, [&] { BDRBuscaRapidaChange(); }); });
    linha->addWidget(BDRBuscaRapida);
    linha->addStretch(1);
    return painel;
}

QWidget* TPaginaReparos::CriaCampos()
{
    auto* campos = new QWidget(this);
    auto* formulario = new QFormLayout(campos);
    formulario->setContentsMargins(0, 4, 0, 0);
    auto caixa = [&](const char* nome, int largura) {
        auto* e = new QLineEdit(campos);
        e->setObjectName(nome);
        e->setMaximumWidth(largura);
        connect(e, &QLineEdit::textChanged, this, [this] { alterado_ = true; });
        return e;
    };
    BDRFabricante = caixa("BDRFabricante", 200);
    BDREquipamento = caixa("BDREquipamento", 200);
    BDRModelo = caixa("BDRModelo", 200);
    BDRDefeito = caixa("BDRDefeito", 520);
    BDRDescricao = new QPlainTextEdit(campos);
    BDRDescricao->setObjectName("BDRDescricao");
    BDRDescricao->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    BDRDescricao->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(BDRDescricao, &QPlainTextEdit::textChanged, this, [this] { alterado_ = true; });
    formulario->addRow(tr("Company:"), BDRFabricante);
    formulario->addRow(tr("Equipament:"), BDREquipamento);
    formulario->addRow(tr("Model:"), BDRModelo);
    formulario->addRow(tr("Flaw:"), BDRDefeito);
    formulario->addRow(tr("Solution:"), BDRDescricao);
    return campos;
}

void TPaginaReparos::LigaTabela(db::TTable* tabela)
{
    tabela_ = tabela;
    DBGrid1->SetDataSet(tabela);
    for (TDBEdit* e : { DBBDRFabricante, DBBDREquipamento, DBBDRModelo, DBBDRDefeito })
        e->SetDataSet(tabela);
    DBBDRDescricao->SetDataSet(tabela);
}

void TPaginaReparos::CopiaRegistroBDR()
{
    if (!tabela_ || !tabela_->Active())
        return;
    BDRFabricante->setText(DBBDRFabricante->text());
    BDREquipamento->setText(DBBDREquipamento->text());
    BDRModelo->setText(DBBDRModelo->text());
    BDRDefeito->setText(DBBDRDefeito->text());
    BDRDescricao->setPlainText(DBBDRDescricao->toPlainText());
    BDRDescricao->setPlaceholderText(DBBDRDescricao->placeholderText());
    alterado_ = true;
}

void TPaginaReparos::LimpaCamposBDR()
{
    for (QLineEdit* e : { BDRFabricante, BDREquipamento, BDRModelo, BDRDefeito })
        e->clear();
    BDRDescricao->clear();
    BDRDescricao->setPlaceholderText(QString());
    alterado_ = true;
}

void TPaginaReparos::DBGrid1CellClick()
{
    // With one record a click moves no cursor, so nothing would be copied.
    if (!tabela_ || !tabela_->Active() || tabela_->RecordCount() != 1)
        return;
    tabela_->First();
    CopiaRegistroBDR();
}

void TPaginaReparos::BDRBuscaRapidaChange()
{
    if (!tabela_ || !tabela_->Active())
        return;
    BuscaRapidaBDR(*tabela_, BDRBuscaRapida->text().toStdString());
}

} // namespace crossref
