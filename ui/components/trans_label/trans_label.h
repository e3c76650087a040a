#pragma once

// The transparent label component ("透明标签"): draws only its text, so that whatever its
// parent painted beneath shows between the letters.

enum TransLabelProperty : int {
  kLabelCaption = 8,
  kLabelTextEffect,
  kLabelFont,
  kLabelTextColor,
  kLabelHAlign,
  kLabelWordWrap,
  kLabelVAlign,
};

enum TextEffect : int {
  kEffectNone = 0,
  kEffectRaised = 1,  // white copy one pixel right and down, under the text
  kEffectSunken = 2,  // white copy in place, the text one pixel right and down
  kEffectShadow = 3,  // black copy two pixels right and down, under the text
};
