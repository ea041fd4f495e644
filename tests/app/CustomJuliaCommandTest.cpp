// Fractal > Julia set > Custom..: the parameter dialog, then the picture.
#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QTest>

#include <memory>

#include "CustomJuliaDialog.h"
#include "Generators.h"
#include "MessageBox.h"
#include "ModalTesting.h"
#include "RasterImage.h"
#include "RegistryTesting.h"
#include "MainWindow.h"
#include "components/EditTesting.h"

namespace {

class CustomJuliaCommandTest : public RegistryFixture {
protected:
    CustomJuliaCommandTest()
        : english_(QLocale(QLocale::English, QLocale::UnitedStates)),
          presenter_([this](const TMessageBoxRequest& request) {
              Boxes.push_back(request.Text);
              return mrOK;
          })
    {
        form = std::make_unique<TForm1>();
        form->SetFractalSize(64, 48);
        form->MainWindow()->show();
    }
    ~CustomJuliaCommandTest() override { form.reset(); }

    // Chooses the command; the user finds the dialog over the main window,
    // types into its edits and answers.
    void Choose()
    {
        auto user = WhenModal<QDialog>([this](QDialog& dialog) {
            EXPECT_EQ(dialog.objectName(), "CustomJuliaSetForm");
            EXPECT_EQ(dialog.parentWidget(), form->MainWindow());
            auto* x = dialog.findChild<QLineEdit*>("FloatEdit1");
            auto* y = dialog.findChild<QLineEdit*>("FloatEdit2");
            Shown.push_back({x->text(), y->text()});
            x->setText(TypedX);
            y->setText(TypedY);
            dialog.done(Answer);
        });
        form->MainWindow()->findChild<QAction*>("CustomJulia1")->trigger();
    }
    // The Custom Julia picture of x and y at the window's size.
    QImage Expected(double x, double y) const
    {
        TRenderControl control;
        control.SetFractalSize(form->Render.Raster().Width(), form->Render.Raster().Height());
        control.CustomJuliaX = x;
        control.CustomJuliaY = y;
        TJuliaParametersScope julia(&control);
        control.DrawFractal(DrawCustomJulia);
        return RasterToImage(control.Raster());
    }
    QImage OnScreen() const { return form->Image1->Picture(); }

    QString TypedX, TypedY;
    int Answer = QDialog::Accepted;
    std::vector<std::pair<QString, QString>> Shown; // the edits' texts at open
    std::vector<std::string> Boxes;
    std::unique_ptr<TForm1> form;

private:
    DefaultLocale english_;
    TMessageBoxPresenterScope presenter_;
};

} // namespace

TEST_F(CustomJuliaCommandTest, OKDrawsWithTheNewParametersAndTheNextRunOpensWithThem)
{
    TypedX = "-0.122";
    TypedY = "7.45e-1";
    Choose();
    ASSERT_EQ(Shown.size(), 1u);
    EXPECT_EQ(Shown[0], std::make_pair(QString("-0.39054"), QString("-0.58679"))); // the start values
    EXPECT_EQ(form->Render.CustomJuliaX, -0.122);
    EXPECT_EQ(form->Render.CustomJuliaY, 0.745);
    EXPECT_EQ(form->Render.CurrentFractal, &DrawCustomJulia);
    EXPECT_EQ(OnScreen(), Expected(-0.122, 0.745));
    EXPECT_TRUE(Boxes.empty());

    // A size change redraws with the parameters in force.
    form->Render.CustomJuliaX = 0.285;
    form->Render.CustomJuliaY = 0.01;
    form->SetFractalSize(80, 60);
    EXPECT_EQ(OnScreen(), Expected(0.285, 0.01));

    Answer = QDialog::Rejected;
    Choose();
    EXPECT_EQ(Shown.back(), std::make_pair(QString("0.285"), QString("0.01")));
}

TEST_F(CustomJuliaCommandTest, CancelLeavesTheParametersAndThePicture)
{
    form->DrawFractal(DrawFern);
    const QImage fern = OnScreen();
    TypedX = "0.3";
    TypedY = "0.5";
    Answer = QDialog::Rejected;
    Choose();
    EXPECT_EQ(Shown.size(), 1u);
    EXPECT_EQ(form->Render.CustomJuliaX, -0.39054);
    EXPECT_EQ(form->Render.CustomJuliaY, -0.58679);
    EXPECT_EQ(form->Render.CurrentFractal, &DrawFern);
    EXPECT_EQ(OnScreen(), fern);
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(CustomJuliaCommandTest, AnInvalidYIsReportedAndNothingIsDrawn)
{
    TypedX = "0.3";
    TypedY = "0,5";
    Choose();
    EXPECT_EQ(Boxes, std::vector<std::string>{"Invalid validation text"});
    EXPECT_EQ(form->Render.CustomJuliaX, 0.3); // read before y
    EXPECT_EQ(form->Render.CustomJuliaY, -0.58679);
    EXPECT_EQ(form->Render.CurrentFractal, nullptr);
    EXPECT_TRUE(form->MainWindow()->isVisible());
}
