#ifndef TESTS_SUPPORT_FAKE_USER_INTERFACE_H_
#define TESTS_SUPPORT_FAKE_USER_INTERFACE_H_

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "updater/ui/user_interface.h"

namespace quintarel::testing {

// A progress view that logs into its user interface's log and asks for
// cancellation after a given number of positions (never when negative).
class FakeProgress final : public ProgressView {
 public:
  FakeProgress(std::vector<std::string>& log, int cancel_after)
      : log_(log), cancel_after_(cancel_after) {}
  void SetRange(int minimum, int maximum) override {
    log_.push_back("range " + std::to_string(minimum) + ".." + std::to_string(maximum));
  }
  void SetPos(int) override { ++positions_; }
  void SetMessage(const std::string& text) override { log_.push_back("file " + text); }
  bool TakeCancel() override { return cancel_after_ >= 0 && positions_ > cancel_after_; }

 private:
  std::vector<std::string>& log_;
  int cancel_after_;
  int positions_ = 0;
};

// Records every message box as "info TEXT", "warn TEXT" or "ask TEXT" with
// the caption it would carry, and answers questions from a queue. A box that
// appears under the wait cursor is marked " (busy)" when it appears.
class FakeUserInterface final : public UserInterface {
 public:
  void SetTitle(const std::string& title) override { title_ = title; }
  const std::string& title() const override { return title_; }
  void ShowMessage(const std::string& text, MessageIcon icon) override {
    log.push_back((icon == MessageIcon::kExclamation ? "warn " : "info ") + text + BusyMark());
    captions.push_back(title_);
  }
  bool AskYesNo(const std::string& text) override {
    log.push_back("ask " + text + BusyMark());
    captions.push_back(title_);
    if (answers.empty()) return answer_yes;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<std::string> AskSavePath(const std::string& suggested_name) override {
    log.push_back("save as " + suggested_name);
    if (on_save_dialog) on_save_dialog();
    return save_path;
  }
  std::unique_ptr<ProgressView> OpenProgress() override {
    log.push_back("progress");
    return std::make_unique<FakeProgress>(log, cancel_after);
  }
  std::unique_ptr<BusyScope> ShowBusy() override { return std::make_unique<Busy>(*this); }

  bool busy() const { return busy_depth_ > 0; }

  std::vector<std::string> log;
  std::vector<std::string> captions;
  bool answer_yes = true;
  std::deque<bool> answers;
  std::optional<std::string> save_path = "C:\\out\\update.dat";
  // Runs while the save dialog is open, e.g. to move the current folder as
  // browsing in the real dialog does.
  std::function<void()> on_save_dialog;
  int cancel_after = -1;

 private:
  class Busy final : public BusyScope {
   public:
    explicit Busy(FakeUserInterface& ui) : ui_(ui) { ++ui_.busy_depth_; }
    ~Busy() override { --ui_.busy_depth_; }

   private:
    FakeUserInterface& ui_;
  };

  std::string BusyMark() const { return busy() ? " (busy)" : ""; }

  std::string title_;
  int busy_depth_ = 0;
};

}  // namespace quintarel::testing

#endif  // TESTS_SUPPORT_FAKE_USER_INTERFACE_H_
