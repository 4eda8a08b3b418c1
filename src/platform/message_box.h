#ifndef UPDATER_PLATFORM_MESSAGE_BOX_H_
#define UPDATER_PLATFORM_MESSAGE_BOX_H_

// Box styles and answers, with MessageBoxA's values.
constexpr unsigned kBoxOk = 0x0;
constexpr unsigned kBoxOkCancel = 0x1;
constexpr unsigned kBoxAbortRetryIgnore = 0x2;
constexpr unsigned kBoxYesNoCancel = 0x3;
constexpr unsigned kBoxYesNo = 0x4;
constexpr unsigned kBoxRetryCancel = 0x5;
constexpr unsigned kIconError = 0x10;
constexpr unsigned kIconQuestion = 0x20;
constexpr unsigned kIconWarning = 0x30;
constexpr unsigned kIconInformation = 0x40;
constexpr unsigned kDefaultButton2 = 0x100;
constexpr unsigned kDefaultButton3 = 0x200;

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdAbort = 3;
constexpr int kIdRetry = 4;
constexpr int kIdIgnore = 5;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// The buttons a style offers, in order; returns how many (1 to 3).
constexpr int BoxButtons(unsigned style, int buttons[3]) {
  switch (style & 0xF) {
    case kBoxOkCancel:
      buttons[0] = kIdOk, buttons[1] = kIdCancel;
      return 2;
    case kBoxAbortRetryIgnore:
      buttons[0] = kIdAbort, buttons[1] = kIdRetry, buttons[2] = kIdIgnore;
      return 3;
    case kBoxYesNoCancel:
      buttons[0] = kIdYes, buttons[1] = kIdNo, buttons[2] = kIdCancel;
      return 3;
    case kBoxYesNo:
      buttons[0] = kIdYes, buttons[1] = kIdNo;
      return 2;
    case kBoxRetryCancel:
      buttons[0] = kIdRetry, buttons[1] = kIdCancel;
      return 2;
    default:
      buttons[0] = kIdOk;
      return 1;
  }
}

// The button a box answers with when Enter is pressed: the one its style makes default.
constexpr int DefaultButton(unsigned style) {
  int buttons[3] = {0, 0, 0};
  int count = BoxButtons(style, buttons);
  unsigned index = (style >> 8) & 0xF;
  return buttons[index < static_cast<unsigned>(count) ? index : 0];
}

// Shows a modal box to the person at the machine (MessageBoxA on Windows, a question on the
// controlling terminal on Linux) and returns the button chosen (IDOK, IDYES...).
// Returns 0 when there is no one to ask (no terminal, no display): the caller then behaves
// as unattended. Texts are UTF-8, whatever the code page in use: Windows shows them with
// MessageBoxW, Linux converts them to the locale's character set.
int AskUser(const char* text, const char* caption, unsigned style);

#endif  // UPDATER_PLATFORM_MESSAGE_BOX_H_
