#include "script/command_table.h"

#include "commands/conditions/appexist.h"
#include "commands/conditions/crc.h"
#include "commands/conditions/date.h"
#include "commands/conditions/exist.h"
#include "commands/conditions/osver.h"
#include "commands/conditions/verify.h"
#include "commands/files/attr.h"
#include "commands/files/copy.h"
#include "commands/files/delete.h"
#include "commands/files/makedir.h"
#include "commands/files/move.h"
#include "commands/files/rsrc.h"
#include "commands/files/shell.h"
#include "commands/programs/launch.h"
#include "commands/programs/link.h"
#include "commands/programs/msgbox.h"
#include "commands/programs/waitapp.h"
#include "commands/conditions/switch.h"

namespace {

// The order in which "MODE" values are compared. Commands without functions are not
// part of this build yet; naming one is reported like an unknown word.
constexpr Command kCommands[] = {
    {"EXIST", LoadExist, ExecuteExist},
    {"DATE", LoadDate, ExecuteDate},
    {"SWITCH", LoadSwitch, ExecuteSwitch},
    {"MSGBOX", LoadMsgBox, ExecuteMsgBox},
    {"COPY", LoadCopy, ExecuteCopy},
    {"LAUNCH", LoadLaunch, ExecuteLaunch},
    {"DELETE", LoadDelete, ExecuteDelete},
    {"LINK", LoadLink, ExecuteLink},
    {"OSVER", LoadOsVer, ExecuteOsVer},
    {"MAKEDIR", LoadMakeDir, ExecuteMakeDir},
    {"ATTR", LoadAttr, ExecuteAttr},
    {"CRC", LoadCrc, ExecuteCrc},
    {"MOVE", LoadMove, ExecuteMove},
    {"WAITAPP", LoadWaitApp, ExecuteWaitApp},
    {"APPEXIST", LoadAppExist, ExecuteAppExist},
    {"VERIFY", LoadVerify, ExecuteVerify},
    {"RSRC", LoadRsrc, ExecuteRsrc},
    {"SHELL", LoadShell, ExecuteShell},
};

}  // namespace

const Command* FindCommand(const TextString& mode) {
  for (const Command& command : kCommands) {
    if (mode == command.word) return &command;
  }
  return nullptr;
}
