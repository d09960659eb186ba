#pragma once

// The decorations of the setup's main window on Qt: TBackdrop, a panel
// painted as a colour gradient, and TRotate3DLabel, a caption drawn at any
// whole angle with a raised, sunken or shadowed 3D effect. Tag -1 marks the
// program's one main instance of each (TMainInstance).

#include "setup/installlib/decorative.h"

#include <QWidget>
#include <string>

namespace installlib {

QColor ToQColor(TColor Color);

class TRotate3DLabel : public QWidget {
    Q_OBJECT
public:
    explicit TRotate3DLabel(QWidget* Parent = nullptr);
    ~TRotate3DLabel() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& Value);
    TLabelStyle& LabelStyle() { return style_; }
    // Copies the style and repaints.
    void SetLabelStyle(const TLabelStyle& Value) { style_.Assign(Value); }
    TLabelAlignment Alignment() const { return alignment_; }
    void SetAlignment(TLabelAlignment Value);
    bool MyTransparent() const { return myTransparent_; }
    void SetMyTransparent(bool Value);
    // The opaque background's colour.
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor Value);
    int Tag() const { return tag_; }
    void SetTag(int Value) { TMainInstance<TRotate3DLabel>::SetTag(*this, Value); }
    int& TagRef() { return tag_; }
    static TRotate3DLabel* Main() { return TMainInstance<TRotate3DLabel>::Main(); }

    // Copies caption, label style, font, bounds and MyTransparent.
    void Assign(const TRotate3DLabel& Source);

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    std::string caption_;
    TLabelStyle style_;
    TLabelAlignment alignment_ = taLeftJustify;
    bool myTransparent_ = true;
    TColor color_ = 0x80000000u | 15; // clBtnFace
    TColor fontColor_ = 0x80000000u | 8; // clWindowText
    int tag_ = 0;
};

class TBackdrop : public QWidget {
    Q_OBJECT
public:
    // Created client-aligned: it fills its parent and follows its size.
    explicit TBackdrop(QWidget* Parent = nullptr);
    ~TBackdrop() override;

    TDirection Direction() const { return direction_; }
    void SetDirection(TDirection Value);
    TColor StartColor() const { return startColor_; }
    void SetStartColor(TColor Value);
    TColor EndColor() const { return endColor_; }
    void SetEndColor(TColor Value);
    int Tag() const { return tag_; }
    void SetTag(int Value) { TMainInstance<TBackdrop>::SetTag(*this, Value); }
    int& TagRef() { return tag_; }
    static TBackdrop* Main() { return TMainInstance<TBackdrop>::Main(); }

    // Copies direction and colours, then repaints.
    void Assign(const TBackdrop& Source);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;

private:
    TDirection direction_ = bdUp;
    TColor endColor_ = clBlack;
    TColor startColor_ = clBlue;
    int tag_ = 0;
};

} // namespace installlib
