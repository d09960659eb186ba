#pragma once

// The legend box of Options > Legend: the abbreviations of the part pages
// in a read-only memo, and an OK button.

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace crossref {

class TCaixaLegenda : public QDialog {
    Q_OBJECT
public:
    explicit TCaixaLegenda(QWidget* pai = nullptr);

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* OKBtn = nullptr;
};

} // namespace crossref
