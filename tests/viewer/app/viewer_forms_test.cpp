#include "tests/support/temp_dir.h"
#include "tests/viewer/app/main_form_fixture.h"
#include "tests/viewer/app/scripted_dialogs.h"
#include "viewer/app/ui/about_form.h"
#include "viewer/app/ui/main_window.h"
#include "viewer/app/ui/options_form.h"
#include "viewer/app/ui/scales_form.h"
#include "viewer/app/ui/splash_form.h"
#include "viewer/app/ui/titles_form.h"
#include "viewer/components/qtchartcanvas.h"
#include "viewer/components/ui/smithchartwidget.h"
#include "viewer/components/ui/xychartwidget.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace viewer;
using smith::Tcharttype;
using smith::TMopts;
using tavix::testing::readFile;
using tavix::testing::writeFile;

namespace {

struct Fixture : viewer::testing::MainFormFixture {
    Fixture()
        : MainFormFixture("forms")
    {
    }
};

TColor swatch(const QFrame* f)
{
    return FromQColor(f->palette().color(QPalette::Window));
}

std::string driverPath(const std::string& name)
{
    return std::string(RIVELLE_TEST_DRIVER_DIR) + "/" + name + ".so";
}

} // namespace

// Catches values not taken from the charts and the main window when the
// dialog is shown, Apply enabled before a change, and choices that do not
// reach both charts and the status-bar digits.
TEST(TOptionsForm, ShowsAndAppliesChartAndStatusSettings)
{
    Fixture f;
    TMainForm& w = f.open();
    f.smith().SetBorderColor(clNavy);
    f.smith().SetBackgroundColor(clSilver);
    f.smith().SetGraphColor(clTeal);
    f.smith().SetMarkerOptions({ TMopts::moRX });
    f.smith().SetGridType(2);
    w.Digits() = { 6, 1, 5 };
    w.FileState().NewFileDataFormat = 2;

    TOptionsForm& o = w.OptionsForm();
    o.PageControl1->setCurrentIndex(TOptionsForm::pgMisc);
    o.FormActivate();
    EXPECT_EQ(swatch(o.BorderSwatch), clNavy);
    EXPECT_EQ(swatch(o.BackgroundSwatch), clSilver);
    EXPECT_EQ(swatch(o.GraphSwatch), clTeal);
    EXPECT_FALSE(o.MagAngle->isChecked());
    EXPECT_TRUE(o.RX->isChecked());
    EXPECT_FALSE(o.Normalised->isChecked());
    EXPECT_EQ(o.DataFormat->checkedId(), 2);
    EXPECT_FALSE(o.FormatChanged());
    EXPECT_EQ(o.FreqDigits->value(), 6);
    EXPECT_EQ(o.DbDigits->value(), 1);
    EXPECT_EQ(o.OtherDigits->value(), 5);
    EXPECT_FALSE(o.ApplyButton->isEnabled());
    // The grid style is read when its page is opened.
    EXPECT_EQ(o.GridStyle->checkedId(), 0);
    o.PageControl1->setCurrentIndex(TOptionsForm::pgGrids);
    EXPECT_EQ(o.GridStyle->checkedId(), 2);
    EXPECT_FALSE(o.ApplyButton->isEnabled());

    // A cancelled colour dialog is no change; a confirmed one is.
    o.ColourClick(0);
    EXPECT_FALSE(o.ApplyButton->isEnabled());
    f.dialogs.colours = { clMaroon };
    o.ColourClick(2);
    EXPECT_EQ(swatch(o.GraphSwatch), clMaroon);
    EXPECT_TRUE(o.ApplyButton->isEnabled());

    o.GridStyle->button(1)->click();
    o.MagAngle->setChecked(true);
    o.MarkerDigits->setValue(5);
    o.DbDigits->setValue(4);
    o.DataFormat->button(1)->click();
    EXPECT_TRUE(o.FormatChanged());
    o.Apply();
    EXPECT_FALSE(o.ApplyButton->isEnabled());
    EXPECT_FALSE(o.FormatChanged());
    for (int gridType : { f.smith().GridType(), f.xy().GridType() })
        EXPECT_EQ(gridType, 1);
    EXPECT_EQ(f.smith().GraphColor(), clMaroon);
    EXPECT_EQ(f.xy().GraphColor(), clMaroon);
    EXPECT_EQ(f.xy().BorderColor(), clNavy);
    EXPECT_EQ(f.xy().BackgroundColor(), clSilver);
    EXPECT_EQ(f.smith().markerDigits(), 5);
    EXPECT_EQ(f.xy().markerDigits(), 5);
    EXPECT_EQ(f.smith().MarkerOptions(), smith::Tmoptions({ TMopts::moMA, TMopts::moRX }));
    EXPECT_EQ(w.Digits().Db, 4);
    EXPECT_EQ(w.Digits().Freq, 6);
}

// Catches the "Chart Colours" button opening another page, and OK and
// Cancel that do not apply and discard.
TEST(TOptionsForm, ChartColoursButtonOkAndCancel)
{
    Fixture f;
    TMainForm& w = f.open();
    TOptionsForm& o = w.OptionsForm();
    f.smith().SetBorderColor(clOlive);
    int page = -1;
    TColor shown = 0;
    QTimer::singleShot(0, &o, [&] {
        page = o.PageControl1->currentIndex();
        shown = swatch(o.BorderSwatch);
        o.MarkerDigits->setValue(7);
        o.CancelButton->click();
    });
    w.ChartColoursButton->trigger();
    EXPECT_EQ(page, TOptionsForm::pgColours);
    EXPECT_EQ(shown, clOlive);
    EXPECT_EQ(f.smith().markerDigits(), 3);

    QTimer::singleShot(0, &o, [&] {
        o.MarkerDigits->setValue(8);
        o.OKButton->click();
    });
    w.Options->trigger();
    EXPECT_EQ(f.smith().markerDigits(), 8);
    EXPECT_FALSE(o.isVisible());
}

// Catches a history that survives "Clear File History" in the menu, the
// list or the settings file, the box left checked, and other settings
// lost with the recent section.
TEST(TOptionsForm, ClearFileHistory)
{
    Fixture f;
    writeFile(f.dir / "Rivelle.ini", "[recent]\nfile0=/d/a.s2p\nfile1=/d/b.s2p\n[drivers]\nX=/lib/x.so\n");
    TMainForm& w = f.open();
    ASSERT_EQ(w.RecentItems().size(), 2u);
    TOptionsForm& o = w.OptionsForm();
    o.FormActivate();
    o.ClearFileHistory->setChecked(true);
    EXPECT_TRUE(o.ApplyButton->isEnabled());
    o.Apply();
    EXPECT_TRUE(w.RecentItems().empty());
    EXPECT_TRUE(w.FileState().Recent.empty());
    EXPECT_FALSE(o.ClearFileHistory->isChecked());
    EXPECT_EQ(readFile(f.dir / "Rivelle.ini"), "[recent]\n[drivers]\nX=/lib/x.so\n");
    EXPECT_EQ(w.SaveSettings(), "");
    EXPECT_EQ(readFile(f.dir / "Rivelle.ini"), "[recent]\n[drivers]\nX=/lib/x.so\n");
}

// Catches a driver stored under the wrong key, twice under one name, or
// although it was refused; the dialog's and the main window's lists not
// following Add and Remove; and Remove acting with nothing selected.
TEST(TOptionsForm, AddsAndRemovesDrivers)
{
    Fixture f;
    writeFile(f.dir / "Rivelle.ini", "[recent]\n[drivers]\nOld=/lib/old.so\n");
    TMainForm& w = f.open();
    TOptionsForm& o = w.OptionsForm();
    ASSERT_EQ(o.DriverList->count(), 1);

    const std::string good = driverPath("drv_good");
    f.dialogs.openName = good;
    o.AddButton->click();
    o.AddButton->click();
    EXPECT_EQ(f.dialogs.lastOpenFilter, "Drivers(*.so)|*.so");
    EXPECT_TRUE(f.dialogs.messages.empty());
    const std::vector<std::string> both = { "Old=/lib/old.so", "Test VNA=" + good };
    EXPECT_EQ(w.DriverList(), both);
    EXPECT_EQ(readFile(f.dir / "Rivelle.ini"), "[recent]\n[drivers]\nOld=/lib/old.so\nTest VNA=" + good + "\n");
    ASSERT_EQ(o.DriverList->count(), 2);
    EXPECT_EQ(o.DriverList->item(1)->text().toStdString(), both[1]);

    for (const char* bad : { "drv_four", "drv_name_eq" }) {
        f.dialogs.openName = driverPath(bad);
        o.AddButton->click();
    }
    f.dialogs.openName = "relative.so";
    o.AddButton->click();
    EXPECT_EQ(f.dialogs.messages,
        std::vector<std::string>({ "Invalide Driver", "Invalide Driver", "Unable to load relative.so" }));
    EXPECT_EQ(w.DriverList(), both);

    o.DriverList->clearSelection();
    o.RemoveButton->click();
    EXPECT_EQ(o.DriverList->count(), 2);
    o.DriverList->setCurrentRow(0);
    o.RemoveButton->click();
    EXPECT_EQ(w.DriverList(), std::vector<std::string>({ both[1] }));
    ASSERT_EQ(o.DriverList->count(), 1);
    EXPECT_EQ(readFile(f.dir / "Rivelle.ini"), "[recent]\n[drivers]\nTest VNA=" + good + "\n");
}

// Catches axis titles editable in a circular view, values not read from
// the Smith chart, fonts from the wrong start, and titles or the title
// font that reach only one chart.
TEST(TTitlesForm, ReadsAndAppliesTitles)
{
    Fixture f;
    TMainForm& w = f.open();
    TTitlesForm& t = w.TitlesForm();
    f.smith().SetTitle("amp.s2p");
    TChartFont big;
    big.Name = "Serif";
    big.Size = 16;
    f.smith().SetTitleFont(big);
    t.FormActivate();
    EXPECT_FALSE(t.GridTitles->isEnabled());
    EXPECT_EQ(t.TitleEdit->text().toStdString(), "amp.s2p");
    EXPECT_EQ(t.TitleFont(), big);
    EXPECT_FALSE(t.ApplyButton->isEnabled());

    w.SelectView(TViewItem::LogMag);
    t.FormActivate();
    EXPECT_TRUE(t.GridTitles->isEnabled());
    EXPECT_EQ(t.LeftEdit->text().toStdString(), "Mag(dB)");
    EXPECT_EQ(t.RightEdit->text().toStdString(), "Deg");
    EXPECT_FALSE(t.ApplyButton->isEnabled());
    t.XEdit->setText("Frequency");
    EXPECT_TRUE(t.ApplyButton->isEnabled());

    TChartFont chosen = big;
    chosen.Size = 20;
    chosen.Style = fsBold;
    TChartFont yFont = big;
    yFont.Name = "Mono";
    f.dialogs.fonts = { chosen, yFont };
    t.TitleFontClick();
    t.YTitlesFontClick();
    ASSERT_EQ(f.dialogs.fontsOffered.size(), 2u);
    EXPECT_EQ(f.dialogs.fontsOffered[0], big);
    EXPECT_EQ(f.dialogs.fontsOffered[1], chosen);
    EXPECT_EQ(t.LeftEdit->font().family().toStdString(), "Mono");
    t.TitleEdit->setText("Amplifier");
    t.OKButton->click();
    EXPECT_FALSE(t.ApplyButton->isEnabled());
    for (const std::string* title : { &f.smith().Title(), &f.xy().Title() })
        EXPECT_EQ(*title, "Amplifier");
    EXPECT_EQ(f.smith().TitleFont(), chosen);
    EXPECT_EQ(f.xy().TitleFont(), chosen);
    EXPECT_EQ(f.xy().LeftTitle(), "Mag(dB)");
    EXPECT_EQ(f.smith().XTitle(), "Frequency");
    EXPECT_EQ(f.xy().XTitle(), "Frequency");
}

// Catches the key filter letting "e" or letters through or dropping "E",
// a bad field that still applies the fields before it, a minimum above its
// maximum accepted, and values applied to the chart that is not shown.
TEST(TScalesForm, FiltersKeysAndAppliesAllOrNothing)
{
    Fixture f;
    TMainForm& w = f.open();
    w.SelectView(TViewItem::LogMag);
    TScalesForm& s = w.ScalesForm();
    s.FormActivate();
    EXPECT_EQ(s.LeftYMax->text().toStdString(), "0.00");
    EXPECT_EQ(s.LeftYMin->text().toStdString(), "-50.00");
    EXPECT_EQ(s.RightYMax->text().toStdString(), "180.00");
    EXPECT_EQ(s.HorizLines->value(), 10);
    EXPECT_FALSE(s.ApplyButton->isEnabled());

    s.LeftYMax->clear();
    QTest::keyClicks(s.LeftYMax, "1e2xE3");
    EXPECT_EQ(s.LeftYMax->text().toStdString(), "12E3");
    EXPECT_TRUE(s.ApplyButton->isEnabled());
    QTest::keyClick(s.LeftYMax, Qt::Key_Backspace);
    QTest::keyClick(s.LeftYMax, Qt::Key_Backspace);
    EXPECT_EQ(s.LeftYMax->text().toStdString(), "12");

    s.RightYMin->setText("1.2.3");
    s.HorizLines->setValue(4);
    EXPECT_FALSE(s.Apply());
    EXPECT_EQ(f.dialogs.messages.back(), "Right Y min: '1.2.3' is not a valid floating point value");
    EXPECT_DOUBLE_EQ(f.smith().LYmax(), 0.0);
    EXPECT_EQ(f.smith().Yinterval(), 10);

    s.RightYMin->setText("200");
    s.OKButton->click();
    EXPECT_EQ(f.dialogs.messages.back(), "Right Y min must be below Right Y max");
    EXPECT_DOUBLE_EQ(f.smith().RYmin(), -180.0);

    s.RightYMin->setText("-90");
    s.XMin->setText("5");
    s.XMax->setText("5");
    EXPECT_TRUE(s.Apply());
    EXPECT_DOUBLE_EQ(f.smith().LYmax(), 12.0);
    EXPECT_DOUBLE_EQ(f.smith().RYmin(), -90.0);
    EXPECT_EQ(f.smith().Yinterval(), 4);
    EXPECT_FALSE(s.ApplyButton->isEnabled());

    // With the XY chart showing, its values are read and set.
    w.SelectView(TViewItem::Stability);
    f.xy().SetLYmax(3);
    f.xy().SetLYmin(-1);
    s.FormActivate();
    EXPECT_EQ(s.LeftYMax->text().toStdString(), "3.00");
    s.VertLines->setValue(20);
    EXPECT_TRUE(s.Apply());
    EXPECT_EQ(f.xy().Xinterval(), 20);
    EXPECT_EQ(f.smith().Xinterval(), 10);
}

// Catches links opened at the wrong address and a browser failure that
// says nothing.
TEST(TAboutform, OpensItsLinksThroughTheDesktop)
{
    Fixture f;
    TAboutform& a = f.open().Aboutform();
    EXPECT_EQ(a.windowTitle().toStdString(), "About Rivelle");
    a.URLClick();
    a.EMAILClick();
    EXPECT_EQ(f.dialogs.urls, std::vector<std::string>({ kWebAddress, std::string("mailto:") + kMailAddress }));
    EXPECT_TRUE(f.dialogs.messages.empty());
    f.dialogs.urlsOpen = false;
    QTest::mouseClick(a.URL, Qt::LeftButton);
    EXPECT_EQ(f.dialogs.urls.size(), 3u);
    EXPECT_EQ(f.dialogs.messages, std::vector<std::string>({ "Couldn't launch default browser" }));
}

// Catches a splash without its black frame.
TEST(TSplashForm, DrawsItsFrame)
{
    TSplashForm splash;
    const QImage image = splash.grab().toImage();
    ASSERT_GT(image.width(), 20);
    const int w = image.width(), h = image.height();
    for (QPoint p : { QPoint(0, 0), QPoint(3, h / 2), QPoint(w - 1, h - 1), QPoint(w / 2, h - 4) })
        EXPECT_EQ(image.pixelColor(p), QColor(Qt::black)) << p.x() << "," << p.y();
    EXPECT_NE(image.pixelColor(5, 5), QColor(Qt::black));
}
