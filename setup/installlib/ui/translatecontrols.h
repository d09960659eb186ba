#pragma once

// A label and a button that carry a translator number (GLID): with a GLID
// above 0 their caption is the target language's text of that number; with
// a negative GLID they keep their texts untouched; with 0 they are
// translated through their caption text like any other control.

#include <QLabel>
#include <QPushButton>

namespace installlib {

class TTranslateLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(int GLID READ GLID WRITE SetGLID)
public:
    using QLabel::QLabel;
    int GLID() const { return glid_; }
    void SetGLID(int glid) { glid_ = glid; }

private:
    int glid_ = 0;
};

class TTranslateBitBtn : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(int GLID READ GLID WRITE SetGLID)
public:
    using QPushButton::QPushButton;
    int GLID() const { return glid_; }
    void SetGLID(int glid) { glid_ = glid; }

private:
    int glid_ = 0;
};

} // namespace installlib
