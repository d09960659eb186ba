#include "crossref/ui/quadro_imagem.h"

#include <QPixmap>

namespace crossref {

TQuadroImagem::TQuadroImagem(QWidget* pai)
    : QLabel(pai)
{
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    setMinimumSize(40, 40);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    figura_.AoMudar = [this] { Atualiza(); };
}

void TQuadroImagem::resizeEvent(QResizeEvent* evento)
{
    QLabel::resizeEvent(evento);
    Atualiza();
}

void TQuadroImagem::Atualiza()
{
    const QImage& imagem = figura_.Imagem();
    if (imagem.isNull()) {
        clear();
        setText(QString::fromStdString(figura_.Ilegivel()));
        return;
    }
    QImage mostrada = imagem;
    if (imagem.width() > width() || imagem.height() > height())
        mostrada = imagem.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    setPixmap(QPixmap::fromImage(mostrada));
}

} // namespace crossref
