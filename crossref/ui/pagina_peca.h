#pragma once

// One part page (transistors, rectifier diodes or zener diodes): quick
// search, the three percentage boxes, the filters, the search button, and
// the original and similar/nearest panels with their grids, labels and
// pictures. Only layout lives here; the handlers are the main window's.

#include "crossref/pesquisa.h"
#include "crossref/ui/controles_db.h"
#include "crossref/ui/quadro_imagem.h"

#include <QWidget>

#include <array>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace crossref {

class TPaginaPeca : public QWidget {
    Q_OBJECT
public:
    TPaginaPeca(TTipoPeca tipo, QWidget* pai = nullptr);

    TTipoPeca Tipo() const { return tipo_; }
    // Binds the original side to the table and the result side to the query.
    void LigaDataSets(db::TDataSet* tabela, db::TDataSet* consulta);
    // Why the page's table could not be opened ("" when it was): said on the
    // page, whose searches are then off.
    void MostraFalhaDaTabela(const std::string& falha);

    // Grid heights: full (about six rows) when the page has room, never
    // fewer than four rows.
    static constexpr int AlturaDaGrade = 112;
    static constexpr int AlturaMinimaDaGrade = 4 * 18 + 4;

    QScrollArea* Rolagem = nullptr; // holds Conteudo, the page's controls
    QWidget* Conteudo = nullptr;
    QLineEdit* BuscaRapida = nullptr;
    std::array<QComboBox*, 3> Percentuais {};
    QCheckBox* MesmaPolaridade = nullptr; // transistors only
    QCheckBox* MesmoTipoDeUso = nullptr; // transistors only
    QPushButton* Equivalentes = nullptr;
    QLabel* FalhaDaTabela = nullptr; // hidden while the table is open
    std::vector<TDBGrid*> GradesOriginais;
    std::vector<TDBGrid*> GradesResultado;
    std::vector<TDBText*> RotulosOriginais; // company, comments or note
    std::vector<TDBText*> RotulosResultado;
    TQuadroImagem* ImagemOriginal = nullptr;
    TQuadroImagem* ImagemResultado = nullptr;

private:
    QWidget* CriaLado(bool resultado);
    QWidget* CriaBarraDePesquisa();

    TTipoPeca tipo_;
    QWidget* barraDePesquisa_ = nullptr;
};

// A drop-down list (no typing) holding the 37 percentage items.
QComboBox* CriaCaixaDePercentual(QWidget* pai);

} // namespace crossref
