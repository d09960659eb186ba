#pragma once

// An image control: shows a TFigura, scaled down to fit and centred.

#include "crossref/figura.h"

#include <QLabel>

namespace crossref {

class TQuadroImagem : public QLabel {
    Q_OBJECT
public:
    explicit TQuadroImagem(QWidget* pai = nullptr);
    TFigura& Figura() { return figura_; }
    const TFigura& Figura() const { return figura_; }

    // The picture is scaled to the control, never the control to the picture.
    QSize sizeHint() const override { return minimumSize(); }
    QSize minimumSizeHint() const override { return minimumSize(); }
    // The text shown in place of a picture wraps inside the control.
    bool hasHeightForWidth() const override { return false; }

protected:
    void resizeEvent(QResizeEvent* evento) override;

private:
    void Atualiza();
    TFigura figura_;
};

} // namespace crossref
