#pragma once

// The "Other components" page: the resistor and polyester-capacitor
// colour-code calculators, each a picture with lettered bands, one list a
// band, an "=" button and the result labels. The values come from
// crossref/codigos_de_cores.h; this page only shows them.

#include <QWidget>

#include <array>
#include <exception>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace crossref {

class TQuadroImagem;

class TPaginaCodigosDeCores : public QWidget {
    Q_OBJECT
public:
    explicit TPaginaCodigosDeCores(QWidget* pai = nullptr);

    // Every band list to its first item (first show).
    void Inicia();

    // Handlers (public so that tests drive them as the events would).
    void ResistorClick(int tipo); // radio button `Resistor<tipo>`
    void ZeraResultadoResistor();
    void IgualResistorClick();
    void ZeraResultadoCapacitor();
    void IgualCapacitorClick();

    // The checked body type, 1 to 7.
    int TipoDeResistor() const;

    // A failure of the "=" handlers (a band without a colour) goes here;
    // the window shows it in its error box.
    std::function<void(const std::exception_ptr&)> AoFalhar;

    QTabWidget* Calculadoras = nullptr;

    // Resistors.
    TQuadroImagem* ImagemResistor = nullptr;
    std::array<QRadioButton*, 7> Resistor {}; // Resistor[0] is `Resistor1`
    QComboBox* Cor1 = nullptr;
    QComboBox* Cor2 = nullptr;
    QComboBox* Cor3 = nullptr;
    QComboBox* Multiplicador = nullptr;
    QComboBox* Tolerancia = nullptr;
    QPushButton* IgualResistor = nullptr;
    QLabel* Valor = nullptr;
    QLabel* Kilo = nullptr;
    QLabel* Mega = nullptr;
    QLabel* Omega = nullptr;
    QLabel* ValorTolerancia = nullptr;
    // Captions of Cor1, Cor2, Cor3, Multiplicador and Tolerancia.
    std::array<QLabel*, 5> RotulosDasBandas {};

    // Polyester capacitors.
    TQuadroImagem* ImagemCapacitor = nullptr;
    QComboBox* CorCapacitor1 = nullptr;
    QComboBox* CorCapacitor2 = nullptr;
    QComboBox* MultiplicadorCapacitor = nullptr;
    QComboBox* ToleranciaCapacitor = nullptr;
    QComboBox* TensaoCapacitor = nullptr;
    QPushButton* IgualCapacitor = nullptr;
    QLabel* ValorCapacitancia = nullptr;
    QLabel* Capacitancia = nullptr;
    QLabel* ValorToleranciaCapacitor = nullptr;
    QLabel* ValorTensao = nullptr;

private:
    QWidget* CriaResistores();
    QWidget* CriaCapacitores();
    // One calculator's tab: `esquerda` under one another, then the band
    // lists (each clears the result through `zera`), the "=" button, the
    // value with its unit labels in one row, and the captioned results.
    // Gives the captions of the band lists.
    std::vector<QLabel*> Dispoe(QWidget* aba, const std::vector<QWidget*>& esquerda,
        std::initializer_list<std::pair<const char*, QComboBox*>> bandas, void (TPaginaCodigosDeCores::*zera)(),
        QPushButton* igual, std::initializer_list<QLabel*> valor,
        std::initializer_list<std::pair<const char*, QLabel*>> resultados);
    void Protegido(const std::function<void()>& acao);
};

} // namespace crossref
