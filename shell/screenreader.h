#pragma once
// What the platform's accessibility bridge leaves out when a control is shown.

class QWidget;

// Tells a screen reader that control, hidden until now, is visible. Called when it is
// shown; does nothing where the bridge says so itself or no reader listens.
void tellControlShown(QWidget &control);
