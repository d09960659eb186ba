#include "crossref/modulo_de_dados.h"

#include "crossref/pesquisa.h"

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
    for (db::TDataSet* ds : std::initializer_list<db::TDataSet*> { &TabelaTransistores, &TabelaDiodosR, &TabelaDiodosZ,
             &TabelaBDR, &TabelaGraficos, &PesquisarTransistores, &PesquisarDiodosR, &PesquisarDiodosZ })
        ds->AfterScroll = nullptr;
}

std::string TModuloDeDados::DiretorioDoBanco() const
{
    return base_ + "\\data\\";
}

std::vector<std::string> TModuloDeDados::AbreBancosDeDados()
{
    std::vector<std::string> falhas;
    const std::string dir = DiretorioDoBanco();

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
        }
    };
    abreConsulta(PesquisarTransistores, TTipoPeca::tpTransistores, "transistores.db");
    abreConsulta(PesquisarDiodosR, TTipoPeca::tpDiodosR, "diodosr.db");
    abreConsulta(PesquisarDiodosZ, TTipoPeca::tpDiodosZ, "diodosz.db");
    return falhas;
}

bool TModuloDeDados::ExibeImagem(const std::string& nome, TFigura& imagem)
{
    if (!TabelaGraficos.Active())
        return false;
    DefineChave(TabelaGraficos, nome);
    if (!TabelaGraficos.GotoKey())
        return false;
    const std::vector<std::uint8_t> bytes = TabelaGraficos.FieldByName("Figura").AsBytes();
    imagem.CarregaJpeg(bytes, "picture \"" + nome + "\" of " + TabelaGraficos.FileName());
    imagem.SetNome(nome);
    if (imagem.AoMudar)
        imagem.AoMudar();
    return true;
}

void TModuloDeDados::FechaBancosDeDados()
{
    for (db::TDataSet* ds : std::initializer_list<db::TDataSet*> { &TabelaTransistores, &TabelaDiodosR, &TabelaDiodosZ,
             &TabelaBDR, &TabelaGraficos, &PesquisarTransistores, &PesquisarDiodosR, &PesquisarDiodosZ })
        if (ds->Active())
            ds->Close();
}

} // namespace crossref
