#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/shell.h"

// A shell that plays a user's part from a script and records what the program showed.
class ScriptedShell : public Shell {
 public:
  static constexpr const char* kCancel = "<cancel>";

  std::vector<std::string> log;
  std::deque<std::string> dialogSteps;        // paths entered before pressing Next, or kCancel
  std::deque<std::string> saveAnswers;        // destinations chosen; "" cancels the Save dialog
  std::function<void(BrowserHost&)> session;  // what the user does while the editor is open
  std::vector<std::string> reasons;           // the reason shown with each message, or ""

  void showSplash() override { log.push_back("splash"); }
  void closeSplash() override { log.push_back("splash closed"); }

  int runInstallerDialog(InstallerDialogModel& model) override {
    log.push_back("dialog");
    if (!model.shown()) return kIdCancel;
    while (!dialogSteps.empty()) {
      const std::string step = dialogSteps.front();
      dialogSteps.pop_front();
      if (step == kCancel) return kIdCancel;
      if (model.next(step.c_str())) return kIdOk;
    }
    return kIdCancel;
  }

  std::vector<PathParts> saveSuggestions;  // what each Save dialog offered
  SharedString chooseSaveFile(const PathParts& suggestion) override {
    log.push_back("save dialog");
    saveSuggestions.push_back(suggestion);
    if (saveAnswers.empty()) return SharedString();
    SharedString answer(saveAnswers.front().c_str());
    saveAnswers.pop_front();
    return answer;
  }

  using Shell::showMessage;
  void showMessage(int messageId, int failure, const std::string& reason) override {
    log.push_back((failure ? "error " : "success ") + std::to_string(messageId));
    reasons.push_back(reason);
  }

  std::deque<int> yesNoAnswers;  // 1 for Yes; none left answers No
  int askYesNo(int messageId, const char* argument) override {
    log.push_back("question " + std::to_string(messageId) + " " + argument);
    if (yesNoAnswers.empty()) return 0;
    const int answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
  }

  std::unique_ptr<BrowserHost> createBrowserHost() override;

  // What the program asked to run should the system end it; the script may call it.
  std::function<void()> onTermination;
  void watchTermination(std::function<void()> handler) override {
    onTermination = std::move(handler);
  }

  // The entries of the log that are messages, in order.
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    for (const auto& entry : log) {
      if (entry.rfind("error ", 0) == 0 || entry.rfind("success ", 0) == 0 ||
          entry.rfind("question ", 0) == 0) {
        out.push_back(entry);
      }
    }
    return out;
  }
};

class ScriptedHost : public BrowserHost {
 public:
  explicit ScriptedHost(ScriptedShell& shell) : shell_(shell) {}

 protected:
  int createHostWindowImpl() override {
    shell_.log.push_back("host window");
    return 1;
  }
  void warmUpImpl() override { shell_.log.push_back("warm-up"); }
  void showAndNavigateImpl(const char* url) override {
    shell_.log.push_back(std::string("navigate ") + url);
  }
  void runMessageLoopImpl() override {
    if (shell_.session) shell_.session(*this);
  }
  void generationEndedImpl(int written) override {
    shell_.log.push_back("generation ended " + std::to_string(written));
  }

 private:
  ScriptedShell& shell_;
};

inline std::unique_ptr<BrowserHost> ScriptedShell::createBrowserHost() {
  return std::make_unique<ScriptedHost>(*this);
}
