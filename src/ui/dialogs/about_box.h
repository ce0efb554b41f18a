#pragma once
// The About box: the splash picture, the product name and its release.

class QWidget;

// Modal; returns when the user closes it.
void showAboutBox(QWidget* parent);
