#pragma once

class QWidget;

// Gives every named control of a form its designed name as accessible description, so that
// assistive tools and automated checks find each control by the name it has in the form.
// Qt's own internal widgets (names starting with "qt_") are left alone. Call it once the
// form's controls are built.
void DescribeControls(QWidget* form);
