#include "crossref/modulo_de_dados.h"

#include "crossref/mensagens.h"
#include "crossref/pesquisa.h"
#include "platform/paradox/paradox.h"

#include <cctype>

namespace crossref {

namespace {

std::string Minusculas(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The data layer's message, with the file name in front when the message
// does not name the file already (in any case).
std::string MensagemDeAbertura(const std::string& arquivo, const std::exception& e)
{
    std::string texto = e.what();
    if (Minusculas(texto).find(Minusculas(arquivo)) == std::string::npos)
        texto = arquivo + ": " + texto;
    return texto;
}

// The blob file beside a table file, as the table reader finds it.
std::filesystem::path ArquivoDeBlobs(const std::filesystem::path& tabela)
{
    const std::filesystem::path pasta = tabela.parent_path().empty() ? "." : tabela.parent_path();
    if (auto achado = paradox::resolveNoCase(pasta, tabela.stem().string() + ".mb"))
        return *achado;
    return tabela.parent_path() / (tabela.stem().string() + ".MB");
}

} // namespace

void DefineChave(db::TTable& tabela, const std::string& identificacao)
{
    tabela.SetKey();
    try {
        tabela.FieldByName("Identificacao").SetAsString(identificacao);
    } catch (...) {
        tabela.Cancel();
        throw;
    }
}

TModuloDeDados::TModuloDeDados(std::string diretorioBase)
    : base_(std::move(diretorioBase))
{
    TabelaGraficos.SetReadOnly(true);
}

TModuloDeDados::~TModuloDeDados()
{
    // Views may outlive the module; they are told through their links.
    for (db::TDataSet* ds : DataSets())
        ds->AfterScroll = nullptr;
}

std::array<db::TDataSet*, 8> TModuloDeDados::DataSets()
{
    return { &TabelaTransistores, &TabelaDiodosR, &TabelaDiodosZ, &TabelaBDR, &TabelaGraficos, &PesquisarTransistores,
        &PesquisarDiodosR, &PesquisarDiodosZ };
}

std::string TModuloDeDados::DiretorioDoBanco() const
{
    return base_ + "\\data\\";
}

std::vector<std::string> TModuloDeDados::AbreBancosDeDados()
{
    std::vector<std::string> falhas;
    const std::string dir = DiretorioDoBanco();
    falhasDeAbertura_.clear();

    const auto pasta = paradox::resolveNoCase(base_, "data");
    if (!pasta || !std::filesystem::is_directory(*pasta)) {
        const std::string texto = "No data folder in " + base_
            + ": start tavixcat in its product folder, the one that holds data, library and Help.";
        for (db::TDataSet* ds : DataSets()) {
            if (ds->Active())
                ds->Close();
            falhasDeAbertura_[ds] = texto;
        }
        return { texto };
    }

    auto abreTabela = [&](db::TTable& tabela, const char* arquivo, bool primeiro) {
        try {
            if (tabela.Active())
                tabela.Close();
            tabela.SetDatabaseName(dir);
            tabela.SetTableName(arquivo);
            tabela.Open();
            if (primeiro)
                tabela.First();
        } catch (const std::exception& e) {
            if (tabela.Active())
                tabela.Close();
            falhas.push_back(MensagemDeAbertura(arquivo, e));
            falhasDeAbertura_[&tabela] = falhas.back();
        }
    };
    abreTabela(TabelaGraficos, "Graficos.db", false);
    abreTabela(TabelaBDR, "Reparos.db", true);
    abreTabela(TabelaTransistores, "Transistores.db", true);
    abreTabela(TabelaDiodosR, "DiodosR.db", true);
    abreTabela(TabelaDiodosZ, "DiodosZ.db", true);

    auto abreConsulta = [&](db::TQuery& consulta, TTipoPeca tipo, const char* arquivo) {
        try {
            if (consulta.Active())
                consulta.Close();
            consulta.SetDatabaseName(dir);
            consulta.SQL().Clear();
            consulta.SQL().Add(SqlInicial(tipo));
            consulta.Open();
        } catch (const std::exception& e) {
            if (consulta.Active())
                consulta.Close();
            falhas.push_back(MensagemDeAbertura(arquivo, e));
            falhasDeAbertura_[&consulta] = falhas.back();
        }
    };
    abreConsulta(PesquisarTransistores, TTipoPeca::tpTransistores, "transistores.db");
    abreConsulta(PesquisarDiodosR, TTipoPeca::tpDiodosR, "diodosr.db");
    abreConsulta(PesquisarDiodosZ, TTipoPeca::tpDiodosZ, "diodosz.db");

    // The queries read the same files as the tables.
    for (db::TTable* tabela : { &TabelaGraficos, &TabelaBDR, &TabelaTransistores, &TabelaDiodosR, &TabelaDiodosZ })
        for (const paradox::DamagedValue& dano : tabela->DamagedFiles())
            if (std::string texto = NovoDano(dano.file, dano.what); !texto.empty())
                falhas.push_back(texto);
    return falhas;
}

std::string TModuloDeDados::FalhaDeAbertura(const db::TDataSet& ds) const
{
    const auto falha = falhasDeAbertura_.find(&ds);
    return falha == falhasDeAbertura_.end() ? std::string() : falha->second;
}

bool TModuloDeDados::ExibeImagem(const std::string& nome, TFigura& imagem)
{
    if (!TabelaGraficos.Active())
        return false;
    DefineChave(TabelaGraficos, nome);
    if (!TabelaGraficos.GotoKey())
        return false;
    const db::TField& campo = TabelaGraficos.FieldByName("Figura");
    if (const paradox::DamagedValue* dano = campo.Damage()) {
        MostraIlegivel(nome, imagem, dano->file, dano->what);
        return true;
    }
    const std::vector<std::uint8_t> bytes = campo.AsBytes();
    const std::filesystem::path blobs = ArquivoDeBlobs(TabelaGraficos.FileName());
    try {
        imagem.CarregaJpeg(bytes, "picture \"" + nome + "\" of " + blobs.string());
    } catch (const std::exception& e) {
        MostraIlegivel(nome, imagem, blobs, e.what());
        return true;
    }
    imagem.SetNome(nome);
    if (imagem.AoMudar)
        imagem.AoMudar();
    return true;
}

void TModuloDeDados::MostraIlegivel(
    const std::string& nome, TFigura& imagem, const std::filesystem::path& arquivo, const std::string& detalhe)
{
    imagem.SetNome(nome);
    imagem.MarcaIlegivel(TextoIlegivel(arquivo));
    if (std::string texto = NovoDano(arquivo, detalhe); !texto.empty() && AoDanificar)
        AoDanificar(texto);
}

std::string TModuloDeDados::NovoDano(const std::filesystem::path& arquivo, const std::string& detalhe)
{
    if (!danosRelatados_.insert(arquivo).second)
        return {};
    return detalhe + "\nWhat it holds shows as \"" + TextoIlegivel(arquivo)
        + "\"; the rest of each record shows as usual.";
}

void TModuloDeDados::FechaBancosDeDados()
{
    for (db::TDataSet* ds : DataSets())
        if (ds->Active())
            ds->Close();
}

} // namespace crossref
