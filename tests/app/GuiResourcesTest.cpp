#include "GuiResources.h"
#include "MessageRecorder.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QRegularExpression>
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

TEST(GuiResources, EveryPictureTheStyleSheetNamesIsCompiledIn)
{
    InitGuiResources();
    QFile sheet(GuiResources::StyleSmokeyQuartzKamri);
    ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(sheet.readAll());
    const QRegularExpression url(QStringLiteral("url\\(([^)]*)\\)"));
    int count = 0;
    for (const QRegularExpressionMatch& match : url.globalMatch(text)) {
        EXPECT_FALSE(QPixmap(match.captured(1)).isNull()) << match.captured(1).toStdString();
        ++count;
    }
    EXPECT_GT(count, 0);
}
