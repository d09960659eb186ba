#pragma once

// The window of TForm1: the backdrop filling it and the product label at
// its top. It follows what the engine asks of the form (maximise,
// refresh) and tells the form when it is first shown and activated.

#include "setup/tavixsetup/form1.h"

#include <QIcon>
#include <QWidget>

namespace installlib {
class TBackdrop;
class TRotate3DLabel;
} // namespace installlib

namespace tavixsetup {

// The setup program's icon: a setup box with a disk going into it. The
// program gives it to the application, so its wizard and boxes carry it too.
QIcon SetupIcon();

class TForm1Window : public QWidget {
    Q_OBJECT
public:
    explicit TForm1Window(TForm1& Form, QWidget* Parent = nullptr);
    ~TForm1Window() override;

    installlib::TBackdrop* BackDrop() const { return backDrop_; }
    installlib::TRotate3DLabel* ProductLabel() const { return productLabel_; }

protected:
    void showEvent(QShowEvent* Event) override;

private:
    TForm1& form_;
    installlib::TBackdrop* backDrop_ = nullptr;
    installlib::TRotate3DLabel* productLabel_ = nullptr;
    bool activated_ = false;
};

} // namespace tavixsetup
