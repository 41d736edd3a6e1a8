#include "CordalisApplication.h"
#include "ActionConnection.h"
#include "Errors.h"
#include "MessageRecorder.h"

#include <QCheckBox>
#include <QEvent>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// An event that makes ThrowingWidget throw what the test asks for.
class ThrowEvent : public QEvent
{
public:
    static QEvent::Type type()
    {
        static const int id = QEvent::registerEventType();
        return static_cast<QEvent::Type>(id);
    }
    explicit ThrowEvent(std::function<void()> thrower) : QEvent(type()), thrower(std::move(thrower))
    {
    }
    std::function<void()> thrower;
};

class ThrowingWidget : public QWidget
{
public:
    int handled = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == ThrowEvent::type()) {
            ++handled;
            static_cast<ThrowEvent*>(e)->thrower();
            return true;
        }
        return QWidget::event(e);
    }
};

} // namespace

TEST(CordalisApplication, ShowsTheTextOfEachKindOfThrownObject)
{
    MessageRecorder messages;
    ThrowingWidget widget;

    ThrowEvent cordalisError(
        [] { throw TableError(QStringLiteral("Table « REMISES.DB » introuvable")); });
    EXPECT_FALSE(QCoreApplication::sendEvent(&widget, &cordalisError));

    ThrowEvent standardError(
        [] { throw std::runtime_error("Fichier corrompu : données après l'en-tête"); });
    EXPECT_FALSE(QCoreApplication::sendEvent(&widget, &standardError));

    ThrowEvent notAnException([] { throw 42; });
    EXPECT_FALSE(QCoreApplication::sendEvent(&widget, &notAnException));

    EXPECT_EQ(widget.handled, 3);
    EXPECT_EQ(
        messages.texts(),
        QStringList({QStringLiteral("Table « REMISES.DB » introuvable"),
                     QStringLiteral("Fichier corrompu : données après l'en-tête"), QString()}));
}

TEST(CordalisApplication, EventLoopGoesOnAfterAHandlerThrows)
{
    MessageRecorder messages;
    ThrowingWidget widget;
    auto* button = new QPushButton(QStringLiteral("Générer"), &widget);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));

    // Posted events run inside the real event loop; the loop must survive both throws and
    // still deliver the event that ends it.
    int thrown = 0;
    const auto thrower = [&thrown] {
        ++thrown;
        throw XmlError(QStringLiteral("Erreur XML n° %1").arg(thrown));
    };
    bool loopEnded = false;
    QCoreApplication::postEvent(&widget, new ThrowEvent(thrower));
    QCoreApplication::postEvent(&widget, new ThrowEvent(thrower));
    QTimer::singleShot(20, qApp, [&loopEnded] {
        loopEnded = true;
        QCoreApplication::quit();
    });
    QCoreApplication::exec();

    EXPECT_TRUE(loopEnded);
    EXPECT_EQ(widget.handled, 2);
    EXPECT_EQ(messages.texts(),
              QStringList({QStringLiteral("Erreur XML n° 1"), QStringLiteral("Erreur XML n° 2")}));

    // The window stays usable: a click through the mouse still reaches its button.
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

// Program actions are connected through ConnectAction: their exceptions are shown where the
// action ends and never unwind through the button's own click handling.
TEST(CordalisApplication, ActionErrorsAreShownWhereTheActionEnds)
{
    MessageRecorder messages;
    QWidget window;
    auto* button = new QPushButton(QStringLiteral("Envoyer"), &window);
    auto* box = new QCheckBox(QStringLiteral("Conditions d'achat"), &window);
    box->move(0, 40);
    int clicks = 0;
    ConnectAction(button, &QPushButton::clicked, &window, [&clicks] {
        ++clicks;
        throw ConvertError(QStringLiteral("Connexion refusée n° %1").arg(clicks));
    });
    QList<bool> states;
    ConnectAction(box, &QCheckBox::toggled, &window, [&states, box] {
        states << box->isChecked();
        throw std::runtime_error("case");
    });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // Called directly, outside any event handler: with nothing around to catch it, an
    // exception would leave click(); the action's own guard shows it instead.
    EXPECT_NO_THROW(button->click());
    EXPECT_NO_THROW(button->click());
    EXPECT_NO_THROW(box->click());
    EXPECT_NO_THROW(box->click());
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(states, (QList<bool>{true, false}));
    EXPECT_EQ(messages.texts(), QStringList({QStringLiteral("Connexion refusée n° 1"),
                                             QStringLiteral("Connexion refusée n° 2"),
                                             QStringLiteral("case"), QStringLiteral("case")}));

    // Through the mouse, as a user does, the button works again and is released.
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 3);
    EXPECT_FALSE(button->isDown());
}

TEST(CordalisApplication, ExceptionTextOfNoExceptionIsEmpty)
{
    EXPECT_EQ(ExceptionText(nullptr), QString());
    EXPECT_EQ(ExceptionText(std::make_exception_ptr(std::runtime_error("\xc3\xa9t\xc3\xa9"))),
              QStringLiteral("été"));
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    CordalisApplication app(argc, argv);
    SetMessageHandler({});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
