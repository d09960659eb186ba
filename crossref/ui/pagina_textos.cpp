#include "crossref/ui/pagina_textos.h"

#include "crossref/leitor_rtf.h"
#include "crossref/notas.h"
#include "platform/paradox/paradox.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStatusBar>
#include <QTextEdit>
#include <QTextFrame>
#include <QToolButton>
#include <QVBoxLayout>

#include <filesystem>

namespace crossref {

namespace {

const char* const kSemNome = "No name";

// Sets the updating flag for the life of a step, also when it fails.
class TAtualizando {
public:
    explicit TAtualizando(bool& flag)
        : flag_(flag)
    {
        flag_ = true;
    }
    ~TAtualizando() { flag_ = false; }
    TAtualizando(const TAtualizando&) = delete;
    TAtualizando& operator=(const TAtualizando&) = delete;

private:
    bool& flag_;
};

// A 16 x 16 picture of four text lines set as the alignment shows, or of a
// bulleted list.
QIcon IconeDeParagrafo(int etiqueta, bool marcadores = false)
{
    QPixmap imagem(16, 16);
    imagem.fill(Qt::transparent);
    QPainter p(&imagem);
    p.setPen(QPen(Qt::black, 1));
    const int larguras[4] = { 14, 10, 14, 8 };
    for (int i = 0; i < 4; ++i) {
        const int y = 2 + i * 4;
        if (marcadores) {
            p.fillRect(1, y - 1, 2, 2, Qt::black);
            p.drawLine(5, y, 15, y);
            continue;
        }
        const int w = larguras[i];
        const int x = etiqueta == 1 ? 15 - w : etiqueta == 2 ? (16 - w) / 2 : 1;
        p.drawLine(x, y, x + w - 1, y);
    }
    return QIcon(imagem);
}

} // namespace

void TRegua::SetCaption(const QString& caption)
{
    caption_ = caption;
    update();
}

void TRegua::paintEvent(QPaintEvent* evento)
{
    QFrame::paintEvent(evento);
    QPainter p(this);
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(contentsRect().adjusted(2, 0, 0, -1), Qt::AlignLeft | Qt::AlignBottom | Qt::TextExpandTabs, caption_);
}

TPaginaTextos::TPaginaTextos(TServicoDeMensagens& mensagens, std::string diretorioBase, QWidget* pai)
    : QWidget(pai)
    , mensagens_(mensagens)
    , diretorioBase_(std::move(diretorioBase))
{
    setObjectName("TextosTecnicos");
    EscolheFonte = [this](const QFont& inicial) -> std::optional<QFont> {
        bool ok = false;
        const QFont fonte = QFontDialog::getFont(&ok, inicial, this, tr("Font"));
        if (!ok)
            return std::nullopt;
        return fonte;
    };

    auto* coluna = new QVBoxLayout(this);
    coluna->setContentsMargins(0, 0, 0, 0);
    coluna->setSpacing(0);
    coluna->addWidget(CriaPainelDeFerramentas());
    CriaRegua();
    coluna->addWidget(Ruler);

    Texto = new QTextEdit(this);
    Texto->setObjectName("Texto");
    Texto->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Texto->setTabChangesFocus(false); // tabs go into the text
    Texto->setAcceptRichText(true);
    AplicaAreaDoTexto();
    Texto->installEventFilter(this);
    coluna->addWidget(Texto, 1);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName("StatusBar");
    StatusBar->setSizeGripEnabled(false);
    const int larguras[3] = { 120, 70, 50 };
    for (size_t i = 0; i < PaineisDeStatus.size(); ++i) {
        PaineisDeStatus[i] = new QLabel(StatusBar);
        PaineisDeStatus[i]->setMinimumWidth(larguras[i]);
        StatusBar->addWidget(PaineisDeStatus[i], i == 2 ? 1 : 0);
    }
    PaineisDeStatus[1]->setAlignment(Qt::AlignCenter);
    coluna->addWidget(StatusBar);

    connect(
        Texto, &QTextEdit::cursorPositionChanged, this, [this] { Protegido(mensagens_, [&] { SelectionChange(); }); });
    connect(Texto, &QTextEdit::selectionChanged, this, [this] { Protegido(mensagens_, [&] { SelectionChange(); }); });
    connect(Texto, &QTextEdit::textChanged, this, [this] { Protegido(mensagens_, [&] { TextoChange(); }); });
    connect(Texto, &QTextEdit::undoAvailable, this, [this] { Protegido(mensagens_, [&] { TextoChange(); }); });
    DefineNome(kSemNome);
}

QWidget* TPaginaTextos::CriaPainelDeFerramentas()
{
    auto* painel = new QWidget(this);
    auto* linha = new QHBoxLayout(painel);
    linha->setContentsMargins(2, 2, 2, 2);
    linha->setSpacing(1);
    auto botao = [&](const char* nome, const QString& texto, const QString& dica) {
        auto* b = new QToolButton(painel);
        b->setObjectName(nome);
        b->setText(texto);
        b->setToolTip(dica);
        b->setAutoRaise(true);
        b->setMinimumWidth(26);
        linha->addWidget(b);
        return b;
    };
    auto acao = [this](QToolButton* b, void (TPaginaTextos::*passo)()) {
        connect(b, &QToolButton::clicked, this, [this, passo] { Protegido(mensagens_, [&] { (this->*passo)(); }); });
    };

    Colar = botao("Colar", tr("Paste"), tr("Paste"));
    Copiar = botao("Copiar", tr("Copy"), tr("Copy"));
    Recortar = botao("Recortar", tr("Cut"), tr("Cut"));
    Desfazer = botao("Desfazer", tr("Undo"), tr("Undo"));
    for (QToolButton* b : { Colar, Copiar, Recortar, Desfazer })
        b->setEnabled(false);
    connect(Colar, &QToolButton::clicked, this, [this] { Texto->paste(); });
    connect(Copiar, &QToolButton::clicked, this, [this] { Texto->copy(); });
    connect(Recortar, &QToolButton::clicked, this, [this] { Texto->cut(); });
    connect(Desfazer, &QToolButton::clicked, this, [this] { Texto->undo(); });
    linha->addSpacing(8);

    Gravar = botao("Gravar", tr("Record"), tr("Record changes into database"));
    acao(Gravar, &TPaginaTextos::GravarClick);
    Limpar = botao("Limpar", tr("Clear"), tr("Clear edition field"));
    acao(Limpar, &TPaginaTextos::LimparClick);
    Abrir = botao("Abrir", tr("Open"), tr("Open file"));
    acao(Abrir, &TPaginaTextos::AbrirClick);
    linha->addSpacing(8);

    Negrito = botao("Negrito", tr("B"), tr("Bold"));
    Italico = botao("Italico", tr("I"), tr("Italic"));
    Sublinhado = botao("Sublinhado", tr("U"), tr("Underline"));
    Numeracao = botao("Numeracao", QString(), tr("Bullet mode"));
    Numeracao->setIcon(IconeDeParagrafo(0, true));
    QFont f = Negrito->font();
    f.setBold(true);
    Negrito->setFont(f);
    f = Italico->font();
    f.setItalic(true);
    Italico->setFont(f);
    f = Sublinhado->font();
    f.setUnderline(true);
    Sublinhado->setFont(f);
    for (QToolButton* b : { Negrito, Italico, Sublinhado }) {
        b->setCheckable(true);
        connect(b, &QToolButton::toggled, this,
            [this, b](bool baixo) { Protegido(mensagens_, [&] { EstiloClick(b, baixo); }); });
    }
    Numeracao->setCheckable(true);
    connect(Numeracao, &QToolButton::toggled, this, [this](bool baixo) {
        Protegido(mensagens_, [&] {
            if (atualizando_)
                return;
            QTextCursor cursor = Texto->textCursor();
            DefineMarcadores(cursor, baixo);
        });
    });
    linha->addSpacing(8);

    Fontes = botao("Fontes", tr("Fonts"), tr("Fonts"));
    acao(Fontes, &TPaginaTextos::FontesClick);
    linha->addSpacing(8);

    AlinharAEsquerda = botao("AlinharAEsquerda", QString(), tr("Left aligned"));
    AlinharADireita = botao("AlinharADireita", QString(), tr("Right aligned"));
    Centralizar = botao("Centralizar", QString(), tr("Center"));
    auto* grupo = new QButtonGroup(this);
    grupo->setExclusive(true);
    int etiqueta = 0;
    for (QToolButton* b : { AlinharAEsquerda, AlinharADireita, Centralizar }) {
        b->setCheckable(true);
        b->setIcon(IconeDeParagrafo(etiqueta));
        b->setProperty("Tag", etiqueta);
        grupo->addButton(b, etiqueta);
        b->setChecked(etiqueta == 0); // left aligned at start, before the handler listens
        connect(b, &QToolButton::toggled, this, [this, etiqueta](bool baixo) {
            if (baixo)
                Protegido(mensagens_, [&] { AlinhamentoClick(etiqueta); });
        });
        ++etiqueta;
    }
    linha->addStretch(1);
    return painel;
}

void TPaginaTextos::CriaRegua()
{
    Ruler = new TRegua(this);
    Ruler->setObjectName("Ruler");
    QFont arial(QStringLiteral("Arial"));
    arial.setPointSize(8);
    Ruler->setFont(arial);
    Ruler->setFixedHeight(26);
    Ruler->setFrameShape(QFrame::NoFrame);
    Ruler->installEventFilter(this);

    RulerLine = new QFrame(Ruler);
    RulerLine->setObjectName("RulerLine");
    RulerLine->setFrameShape(QFrame::HLine);
    RulerLine->setFrameShadow(QFrame::Sunken);
    RulerLine->setGeometry(4, 12, 100, 2);

    // Wingdings is not at hand: the same triangles from the Unicode fonts.
    auto marcador = [this](const char* nome, char16_t glifo, int y) {
        auto* m = new QLabel(QString(QChar(glifo)), Ruler);
        m->setObjectName(nome);
        QFont fonte = m->font();
        fonte.setPointSize(7);
        m->setFont(fonte);
        m->setGeometry(0, y, 10, 11);
        m->setAlignment(Qt::AlignCenter);
        return m;
    };
    FirstInd = marcador("FirstInd", 0x25BC, 2);
    LeftInd = marcador("LeftInd", 0x25B2, 13);
    RightInd = marcador("RightInd", 0x25B2, 13);
}

bool TPaginaTextos::eventFilter(QObject* objeto, QEvent* evento)
{
    if (evento->type() == QEvent::Resize) {
        if (objeto == Ruler) {
            RulerLine->resize(Ruler->contentsRect().width() - 2 * RulerLine->x(), RulerLine->height());
            PosicionaMarcadores();
        } else if (objeto == Texto) {
            Protegido(mensagens_, [&] { SelectionChange(); });
        }
    }
    return QWidget::eventFilter(objeto, evento);
}

void TPaginaTextos::AplicaAreaDoTexto()
{
    // The formatting rectangle: 6 pixels each side, none above or below.
    QTextDocument* doc = Texto->document();
    const bool modificado = doc->isModified();
    const bool podiaDesfazer = doc->isUndoAvailable();
    QTextFrameFormat f = doc->rootFrame()->frameFormat();
    if (f.leftMargin() == 6 && f.rightMargin() == 6 && f.topMargin() == 0 && f.bottomMargin() == 0)
        return;
    f.setLeftMargin(6);
    f.setRightMargin(6);
    f.setTopMargin(0);
    f.setBottomMargin(0);
    doc->rootFrame()->setFrameFormat(f);
    doc->setModified(modificado);
    if (!podiaDesfazer && doc->isUndoAvailable())
        doc->clearUndoRedoStacks(); // only for a fresh document, which had nothing to undo
}

void TPaginaTextos::DefineNome(const std::string& nome)
{
    nomeDasNotas_ = nome;
    PaineisDeStatus[2]->setText(QStringLiteral("Editing: ") + QString::fromStdString(nome));
}

void TPaginaTextos::PreparaEstado()
{
    AtualizaPainelDoCursor();
    TextoChange();
    Ruler->SetCaption(TextoDaRegua());
    SelectionChange();
}

void TPaginaTextos::AtualizaBotaoColar()
{
    Colar->setEnabled(Texto->canPaste());
}

void TPaginaTextos::AoMostrar()
{
    Texto->setFocus();
    PaineisDeStatus[1]->setText(Texto->document()->isModified() ? QStringLiteral("Modified") : QString());
}

void TPaginaTextos::AtualizaPainelDoCursor()
{
    const QTextCursor cursor = Texto->textCursor();
    PaineisDeStatus[0]->setText(TextoDoPainelDoCursor(PosicaoNoTexto(*Texto->document(), cursor.selectionStart())));
    Copiar->setEnabled(cursor.hasSelection());
    Recortar->setEnabled(Copiar->isEnabled());
}

void TPaginaTextos::TextoChange()
{
    PaineisDeStatus[1]->setText(Texto->document()->isModified() ? QStringLiteral("Modified") : QString());
    Desfazer->setEnabled(Texto->document()->isUndoAvailable());
}

void TPaginaTextos::PosicionaMarcadores()
{
    if (!Texto)
        return; // the ruler is made first
    const TMarcadores m
        = PosicoesDosMarcadores(IndentesDoParagrafo(Texto->textCursor().block()), Ruler->contentsRect().width());
    FirstInd->move(m.primeira, FirstInd->y());
    LeftInd->move(m.esquerda, LeftInd->y());
    RightInd->move(m.direita, RightInd->y());
}

void TPaginaTextos::SelectionChange()
{
    {
        TAtualizando atualizando(atualizando_);
        PosicionaMarcadores();
        const TEstiloDaSelecao e = EstiloDaSelecao(Texto->textCursor());
        Negrito->setChecked(e.negrito);
        Italico->setChecked(e.italico);
        Sublinhado->setChecked(e.sublinhado);
        Numeracao->setChecked(e.marcadores);
        (e.alinhamento == 1 ? AlinharADireita : e.alinhamento == 2 ? Centralizar : AlinharAEsquerda)->setChecked(true);
    }
    AtualizaPainelDoCursor();
}

void TPaginaTextos::EstiloClick(QToolButton* botao, bool baixo)
{
    if (atualizando_)
        return;
    QTextCharFormat f;
    if (botao == Negrito)
        f.setFontWeight(baixo ? QFont::Bold : QFont::Normal);
    else if (botao == Italico)
        f.setFontItalic(baixo);
    else
        f.setFontUnderline(baixo);
    Texto->mergeCurrentCharFormat(f);
}

void TPaginaTextos::AlinhamentoClick(int etiqueta)
{
    if (atualizando_)
        return;
    Texto->setAlignment(AlinhamentoDaEtiqueta(etiqueta));
}

void TPaginaTextos::RestauraFormatacaoPadrao()
{
    QTextCursor cursor = Texto->textCursor();
    crossref::RestauraFormatacaoPadrao(cursor);
    Texto->setTextCursor(cursor);
}

void TPaginaTextos::LimparClick()
{
    Texto->clear();
    AplicaAreaDoTexto();
    RestauraFormatacaoPadrao();
    // Formatting an empty text is no change the user could undo or lose.
    Texto->document()->clearUndoRedoStacks();
    Texto->document()->setModified(false);
    TextoChange();
    PaineisDeStatus[1]->clear();
    DefineNome(kSemNome);
    // The style buttons follow the default formatting just set.
    SelectionChange();
}

void TPaginaTextos::AbrirClick()
{
    const auto arquivo = paradox::resolveNoCase(diretorioBase_, "library\\readme.rtf");
    if (!arquivo || !std::filesystem::is_regular_file(*arquivo)) {
        mensagens_.Informacao("The demo file [readme.rtf] was not found.");
        return;
    }
    // Read into a document of its own: a file that fails leaves the text as it was.
    auto* documento = new QTextDocument(Texto);
    documento->setDefaultFont(Texto->document()->defaultFont());
    try {
        CarregaArquivoDeNotas(*arquivo, *documento);
    } catch (...) {
        delete documento;
        throw;
    }
    documento->clearUndoRedoStacks();
    Texto->setDocument(documento); // frees the previous document when it was ours
    AplicaAreaDoTexto();
    Texto->document()->setModified(false);
    DefineNome("readme.rtf");
    TextoChange();
    SelectionChange();
}

void TPaginaTextos::GravarClick()
{
    mensagens_.Informacao("Records the text being edited.");
}

void TPaginaTextos::FontesClick()
{
    if (!EscolheFonte)
        return;
    if (const std::optional<QFont> fonte = EscolheFonte(Texto->currentCharFormat().font())) {
        QTextCharFormat f;
        f.setFont(*fonte);
        Texto->mergeCurrentCharFormat(f);
    }
    Texto->setFocus();
}

} // namespace crossref
