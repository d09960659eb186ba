#include "tests/support/temp_dir.h"
#include "tests/viewer/app/main_form_fixture.h"
#include "tests/viewer/app/scripted_dialogs.h"
#include "viewer/app/ui/main_window.h"
#include "viewer/app/ui/new_form.h"
#include "viewer/app/ui/num_grid.h"
#include "viewer/components/ui/smithchartwidget.h"
#include "viewer/components/ui/xychartwidget.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTimer>
#include <gtest/gtest.h>

using namespace viewer;
using tavix::testing::readFile;
using tavix::testing::TempDir;
using tavix::testing::writeFile;

namespace {

const char* kTwoPort = "# GHZ S MA R 50\n"
                       "1 0.1 10 0.9 20 0.05 30 0.2 40\n"
                       "2 0.3 -10 0.8 -20 0.06 -30 0.4 -40\n"
                       "3 0.5 -60 0.7 -80 0.07 -90 0.5 -100\n";

struct Fixture : viewer::testing::MainFormFixture {
    Fixture()
        : MainFormFixture("gridform")
    {
    }
    TMainForm& open(const std::string& file)
    {
        writeFile(dir / file, kTwoPort);
        return MainFormFixture::open({ path(file) });
    }
    TGridTableModel& model() { return form->NumGrid->Model(); }
    void type(int row, int column, const char* text)
    {
        model().setData(model().index(row, column), QString::fromLatin1(text));
    }
};

} // namespace

// Catches grid edits lost by Save, by the view switch or by closing, and a
// save that writes the curves as they stood before the edits.
TEST(NumericView, EditsReachSavedFileAndClosingAsks)
{
    Fixture f;
    TMainForm& w = f.open("a.s2p");
    w.Numeric->trigger();
    ASSERT_TRUE(w.GridShowing());
    EXPECT_TRUE(w.Numeric->isChecked());
    EXPECT_FALSE(w.ZSmith->isChecked());
    EXPECT_FALSE(w.IncreaseDetailButton->isEnabled());
    EXPECT_TRUE(w.CurveItems().empty());
    EXPECT_EQ(f.model().headerData(3, Qt::Horizontal).toString(), "S21(Mag)");
    f.type(1, 3, "0.625");
    EXPECT_TRUE(f.smith().DataChanged());
    EXPECT_TRUE(w.Save->isEnabled());

    w.Save->trigger(); // while the grid shows
    ASSERT_TRUE(f.dialogs.messages.empty()) << f.dialogs.messages.front();
    EXPECT_NE(readFile(f.dir / "a.s2p").find("0.625"), std::string::npos);
    EXPECT_TRUE(w.GridShowing());
    EXPECT_FALSE(f.smith().DataChanged());

    w.SelectView(TViewItem::ZSmith);
    w.SelectView(TViewItem::Numeric);
    w.SetGridFormat(kGridDbAngle);
    EXPECT_EQ(w.FileState().NewFileDataFormat, kGridDbAngle);
    f.type(2, 1, "-12");
    w.show();
    f.dialogs.answers = { TAnswer::Cancel };
    EXPECT_FALSE(w.close());
    ASSERT_EQ(f.dialogs.questions.size(), 1u);
    // The grid was written back before the question.
    EXPECT_NEAR(f.smith().PointAt(0, 2)->Mag, std::pow(10.0, -12.0 / 20), 1e-15);

    // Opened again, the file holds the first edit.
    f.dialogs.answers = { TAnswer::No };
    f.dialogs.openName = f.path("a.s2p");
    w.Open->trigger();
    EXPECT_TRUE(w.GridShowing());
    EXPECT_EQ(f.model().Grid().Format(), kGridMagAngle);
    EXPECT_EQ(f.model().data(f.model().index(1, 3)).toString(), "0.625");
    EXPECT_EQ(f.smith().PointAt(0, 2)->Mag, 0.5);
}

// Catches a bad cell that lets the view switch go on, loses the other
// edits, or leaves the curves half rebuilt.
TEST(NumericView, BadCellKeepsTheGrid)
{
    Fixture f;
    TMainForm& w = f.open("a.s2p");
    w.show();
    w.ShowNumericGrid();
    f.type(0, 0, "4");
    f.type(2, 4, "1e");
    w.ZSmith->trigger();
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0], "'1e' is not a valid floating point value (row 3, column S21(Ang)).");
    EXPECT_TRUE(w.GridShowing());
    EXPECT_TRUE(w.Numeric->isChecked());
    EXPECT_FALSE(w.ZSmith->isChecked());
    EXPECT_EQ(w.NumGrid->currentIndex().row(), 2);
    EXPECT_EQ(f.smith().PointAt(0, 0)->Freq, 1.0);
    EXPECT_EQ(f.model().data(f.model().index(0, 0)).toString(), "4");
    EXPECT_FALSE(w.WriteGridBack());
    w.SetGridFormat(kGridReIm);
    EXPECT_EQ(f.model().Grid().Format(), kGridMagAngle);

    // Keys that are not part of a number never reach the cell.
    w.NumGrid->setCurrentIndex(f.model().index(1, 1));
    auto key = [](QWidget* to, Qt::Key k, const char* text) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, QString::fromLatin1(text));
        QApplication::sendEvent(to, &press);
    };
    key(w.NumGrid, Qt::Key_A, "a");
    EXPECT_EQ(w.NumGrid->viewport()->findChild<QLineEdit*>(), nullptr);
    key(w.NumGrid, Qt::Key_5, "5");
    auto* editor = w.NumGrid->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    key(editor, Qt::Key_X, "x");
    EXPECT_EQ(editor->text(), "5");
    // Editing keys reach the editor.
    key(editor, Qt::Key_Home, "");
    key(editor, Qt::Key_Delete, "\x7f");
    EXPECT_EQ(editor->text(), "");

    f.type(2, 4, "45");
    w.ZSmith->trigger();
    EXPECT_FALSE(w.GridShowing());
    EXPECT_TRUE(w.ZSmith->isChecked());
    EXPECT_EQ(f.smith().PointAt(0, 0)->Freq, 4.0);
    EXPECT_EQ(f.smith().PointAt(1, 2)->Angle, 45.0);
    EXPECT_EQ(w.CurveItems().size(), 4u);
}

// Catches a grid that goes on showing the values from before Re-Normalise
// until something else repaints it.
TEST(NumericView, ShowsReNormalisedValuesAtOnce)
{
    Fixture f;
    TMainForm& w = f.open("a.s2p");
    w.show();
    w.ShowNumericGrid();
    const QString before = f.model().data(f.model().index(0, 1)).toString();
    QSignalSpy shown(&f.model(), &QAbstractItemModel::dataChanged);
    f.dialogs.normaliseAnswers.push_back("25");
    w.ReNormalise->trigger();
    ASSERT_TRUE(f.dialogs.messages.empty()) << f.dialogs.messages.front();
    EXPECT_NE(f.model().data(f.model().index(0, 1)).toString(), before);
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.front().at(0).toModelIndex(), f.model().index(0, 0));
    EXPECT_EQ(shown.front().at(1).toModelIndex(), f.model().index(2, 8));
}

// Catches New replacing the data before its fields are checked or the
// save question answered, and a new file not shown in the grid.
TEST(NumericView, NewFileGoesToTheGrid)
{
    Fixture f;
    TMainForm& w = f.open("a.s2p");
    f.dialogs.editNewFile = [](TNewFileValues& v) {
        v.fileType = 3;
        v.portCount = 12;
        v.points = 3;
        v.impedance = "75";
        v.units = "MHZ";
        return true;
    };
    f.smith().SetPoint(0, 0, 1, 0.2, 10);
    f.dialogs.answers = { TAnswer::Cancel };
    w.New->trigger();
    EXPECT_EQ(f.smith().CurveCount(), 4);
    EXPECT_FALSE(w.GridShowing());

    f.dialogs.answers = { TAnswer::No };
    w.New->trigger();
    ASSERT_EQ(f.smith().CurveCount(), 144);
    EXPECT_EQ(w.windowTitle().toStdString(), "Rivelle - NewFile.S12");
    EXPECT_FALSE(w.FileState().Named);
    EXPECT_EQ(w.FileState().PortCount, 12);
    EXPECT_EQ(w.XYChart().Chart().Impedance(), 75.0);
    EXPECT_EQ(w.NewFileValues().portCount, 12); // kept for the next time
    ASSERT_TRUE(w.GridShowing());
    EXPECT_EQ(f.model().rowCount(), 3);
    EXPECT_EQ(f.model().columnCount(), 289);
    EXPECT_EQ(f.model().data(f.model().index(1, 0)).toString(), "5.5");

    f.dialogs.editNewFile = [](TNewFileValues& v) {
        v.stop = "0";
        return true;
    };
    w.New->trigger();
    EXPECT_EQ(f.dialogs.messages.back(), "The stop frequency must be above the start frequency.");
    EXPECT_EQ(f.smith().CurveCount(), 144);
}

// Catches the point menu acting on the wrong point, deleting below two
// points, and added or deleted points that are not counted as changes.
TEST(NumericView, SmithPointMenu)
{
    Fixture f;
    TMainForm& w = f.open("a.s2p");
    ASSERT_EQ(w.SmithChart1().PopupMenu(), w.Smithpopup);
    auto openOn = [&](int point) {
        f.smith().PointerState().SelectedCurve = 1;
        f.smith().PointerState().SelectedPoint = point;
        emit w.Smithpopup->aboutToShow();
    };
    f.smith().Markers().push_back({ 0, 2, 0 });
    f.smith().PointerState().RefSet = true;
    f.smith().PointerState().RefPoint = 1;
    openOn(1);
    w.SmithInsertBefore->trigger();
    ASSERT_EQ(f.smith().PointCount(), 4);
    EXPECT_EQ(f.smith().PointAt(2, 1)->Freq, 1.5);
    EXPECT_EQ(f.smith().Markers()[0].Point, 3);
    EXPECT_EQ(f.smith().PointerState().RefPoint, 2);
    openOn(2);
    w.DeletePointItem->trigger(); // the reference point goes with its point
    EXPECT_FALSE(f.smith().PointerState().RefSet);
    EXPECT_EQ(f.smith().Markers()[0].Point, 2);
    openOn(1);
    w.SmithInsertBefore->trigger();
    EXPECT_TRUE(f.smith().DataChanged());

    w.SetCurrentFile(f.path("a.s2p"), 2, true);
    w.AddNewPoint->trigger();
    ASSERT_EQ(f.smith().PointCount(), 5);
    EXPECT_EQ(f.smith().PointAt(3, 4)->Mag, 0.5);
    EXPECT_TRUE(f.smith().DataChanged());
    EXPECT_TRUE(w.Save->isEnabled());

    for (int i = 0; i < 5; ++i) {
        openOn(0);
        w.DeletePointItem->trigger();
    }
    EXPECT_EQ(f.smith().PointCount(), 2);
    EXPECT_EQ(f.smith().PointAt(0, 0)->Freq, 3.0);
}

// Puts the grid on screen for a look at it: headers, the value columns
// sharing the width, and the texts.
TEST(NumericView, RendersTheGrid)
{
    Fixture f;
    TMainForm& w = f.open("a.s2p");
    w.resize(900, 500);
    w.show();
    w.ShowNumericGrid();
    QApplication::processEvents();
    EXPECT_EQ(w.NumGrid->columnWidth(1), std::max(64, w.NumGrid->viewport()->width() / 9));
    const QImage image = w.grab().toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(image.save(QString::fromStdString(std::string(RIVELLE_RENDER_DIR) + "/rivelle_numeric_grid.png")));

    // The new-file dialog: ports only for "SNP", and OK refuses bad fields.
    TNewForm dialog(&w);
    QString refused;
    dialog.ShowMessage = [&](const QString& text) { refused = text; };
    EXPECT_FALSE(dialog.PortCount->isEnabled());
    dialog.FileType->button(3)->click();
    EXPECT_TRUE(dialog.PortCount->isEnabled());
    dialog.Impedance->setText(QStringLiteral("-50"));
    dialog.OKButton->click();
    EXPECT_EQ(refused.toStdString(), "The reference impedance Z0 must be above zero.");
    dialog.Impedance->setText(QStringLiteral("50"));
    dialog.show();
    QApplication::processEvents();
    EXPECT_TRUE(dialog.grab().toImage().save(
        QString::fromStdString(std::string(RIVELLE_RENDER_DIR) + "/rivelle_new_file.png")));
    dialog.OKButton->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Values().fileType, 3);
}

// Catches File > New losing the values the real dialog was given.
TEST(NumericView, NewThroughTheDialog)
{
    TempDir dir { "gridnew" };
    TMainForm w((dir / "Rivelle.ini").string(), {});
    w.show();
    w.FormActivate();
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<TNewForm*>(QApplication::activeModalWidget());
        if (!d)
            return;
        d->Points->setValue(5);
        clicked = true;
        d->OKButton->click();
    });
    w.New->trigger();
    ASSERT_TRUE(clicked);
    EXPECT_EQ(w.SmithChart1().Chart().PointCount(), 5);
    EXPECT_TRUE(w.GridShowing());
    EXPECT_EQ(w.NewFileValues().points, 5);
}
