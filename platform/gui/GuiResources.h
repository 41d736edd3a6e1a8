#pragma once

#include <QString>

// The pictures and the visual style compiled into the program. The project's libraries are
// static, so their resources must be registered explicitly: call InitGuiResources() before
// loading any of these paths (it is cheap and may be called any number of times).
namespace GuiResources {

// 16 x 16 state images: green check mark, red cross.
inline const QString Check16 = QStringLiteral(":/icons/check16.png");
inline const QString Cross16 = QStringLiteral(":/icons/cross16.png");
// 48 x 48 images of the report list: round green button, round red button, two circular
// arrows (the glyph of the refresh button).
inline const QString RoundGreen48 = QStringLiteral(":/icons/round_green48.png");
inline const QString RoundRed48 = QStringLiteral(":/icons/round_red48.png");
inline const QString Arrows48 = QStringLiteral(":/icons/arrows48.png");
// The style sheet of the visual style "Smokey Quartz Kamri".
inline const QString StyleSmokeyQuartzKamri = QStringLiteral(":/styles/SmokeyQuartzKamri.qss");

} // namespace GuiResources

void InitGuiResources();

// Applies a style sheet resource to the whole application. A style sheet that cannot be read
// is reported in a message box and the default look stays; returns whether it was applied.
bool ApplyStyleSheet(const QString& resourcePath = GuiResources::StyleSmokeyQuartzKamri);
