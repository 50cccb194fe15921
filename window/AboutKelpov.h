#pragma once

class QWidget;

// The "About Kelpov" dialog that F1 opens over the window: what Kelpov is for, its keys, its
// version and licence, and where its manual is. Plain text, closed with Return or Escape; a screen
// reader finds it by its title and reads its text. It does not block: the window's timer goes on.
void ShowAboutKelpov(QWidget* window);
