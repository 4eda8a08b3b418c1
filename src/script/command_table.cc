#include "script/command_table.h"

#include "commands/conditions/exist.h"
#include "commands/files/attr.h"
#include "commands/files/copy.h"
#include "commands/files/delete.h"
#include "commands/files/makedir.h"
#include "commands/files/move.h"
#include "commands/programs/msgbox.h"
#include "script/switch.h"

namespace {

// The order in which "MODE" values are compared. Commands without functions are not
// part of this build yet; naming one is reported like an unknown word.
constexpr Command kCommands[] = {
    {"EXIST", LoadExist, ExecuteExist},
    {"DATE", nullptr, nullptr},
    {"SWITCH", LoadSwitch, ExecuteSwitch},
    {"MSGBOX", LoadMsgBox, ExecuteMsgBox},
    {"COPY", LoadCopy, ExecuteCopy},
    {"LAUNCH", nullptr, nullptr},
    {"DELETE", LoadDelete, ExecuteDelete},
    {"LINK", nullptr, nullptr},
    {"OSVER", nullptr, nullptr},
    {"MAKEDIR", LoadMakeDir, ExecuteMakeDir},
    {"ATTR", LoadAttr, ExecuteAttr},
    {"CRC", nullptr, nullptr},
    {"MOVE", LoadMove, ExecuteMove},
    {"WAITAPP", nullptr, nullptr},
    {"APPEXIST", nullptr, nullptr},
    {"VERIFY", nullptr, nullptr},
    {"RSRC", nullptr, nullptr},
    {"SHELL", nullptr, nullptr},
};

}  // namespace

const Command* FindCommand(const TextString& mode) {
  for (const Command& command : kCommands) {
    if (mode == command.word) return &command;
  }
  return nullptr;
}
