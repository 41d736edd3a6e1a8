#include "GuiResources.h"
#include "MessageRecorder.h"

#include <QApplication>
#include <QPixmap>
#include <gtest/gtest.h>

TEST(GuiResources, PicturesAreCompiledIn)
{
    InitGuiResources();
    EXPECT_EQ(QPixmap(GuiResources::Check16).size(), QSize(16, 16));
    EXPECT_EQ(QPixmap(GuiResources::Cross16).size(), QSize(16, 16));
    EXPECT_EQ(QPixmap(GuiResources::RoundGreen48).size(), QSize(48, 48));
    EXPECT_EQ(QPixmap(GuiResources::RoundRed48).size(), QSize(48, 48));
    EXPECT_EQ(QPixmap(GuiResources::Arrows48).size(), QSize(48, 48));
}

TEST(GuiResources, StyleSheetAppliesAndAMissingOneIsReportedWithoutChangingTheLook)
{
    MessageRecorder messages;
    qApp->setStyleSheet(QString());

    EXPECT_TRUE(ApplyStyleSheet());
    EXPECT_TRUE(qApp->styleSheet().contains(QStringLiteral("QPushButton")));
    EXPECT_TRUE(messages.texts().isEmpty());

    qApp->setStyleSheet(QString());
    EXPECT_FALSE(ApplyStyleSheet(QStringLiteral(":/styles/Absent.qss")));
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().first().startsWith(
        QStringLiteral("Impossible d'appliquer le style visuel « Smokey Quartz Kamri »")));
}
