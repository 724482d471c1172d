// Tooltips from help texts: a control's tooltip is the first sentence of
// the help box its right click shows, without the box's heading line.
#pragma once

// The first sentence of help into out (at most size-1 bytes, terminated):
// the heading ("GET-BUTTON:" on a line of its own) left out, lines joined
// by a space, a word broken at a hyphen joined again, and cut after the
// first '.', '!' or '?' that ends a word. Returns the length, 0 when help
// holds no sentence.
int FirstSentence(const char* help, char* out, int size);
