// Answering the program's dialogs from the robot's thread, and keeping the
// test's own thread handling messages while the robot works.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "tests/support/robot.h"

namespace testenv {

// The texts shown in a message box, joined.
std::string BoxText(robot::Robot& r, HWND box);
// Waits for a box captioned `caption`, presses OK and returns its text ("" when none came).
std::string AnswerBox(robot::Robot& r, const char* caption);
// Types `name` into a common file dialog's name field and confirms it.
void ChooseFile(robot::Robot& r, HWND dialog, const std::string& name);
// Picks the entry holding `who` in the recipients dialog, adds it and confirms.
void ChooseRecipient(robot::Robot& r, const std::string& who);
// Types `pass` into the pass-phrase dialog and presses OK.
void TypePassPhrase(robot::Robot& r, const std::string& pass);
// Confirms the file dialog captioned `title` with the name it already holds.
// Its OK button is clicked rather than Enter typed: the process's first file
// dialog can take Wine longer than a key stroke's wait to come to the front.
void ConfirmFileDialog(robot::Robot& r, const char* title);
// In the directory chooser's tree, opens the nodes along `path` (a drive
// node by its "(C:)", folders by name, any letter case) and selects the last
// one. False when a part is missing.
bool SelectFolderInTree(robot::Robot& r, HWND chooser, const std::string& path);
// Handles this thread's messages until `done` (true), or records a failure
// after `timeoutMs` (false).
bool PumpUntil(const std::atomic<bool>& done, int timeoutMs = 120000);
// Runs `script` on the robot while this thread idles in a message loop.
void RunIdle(const std::function<void(robot::Robot&)>& script);

}  // namespace testenv
