// The banner: logo bitmap (qd.bmp, beside the program) and the info text
// with the program's name and version.
#pragma once

// Banner.
void ShowLogo(void);
void ShowInfoText(int background, int textColour, const char* text, int left, int top,
                  int pointSize);
