// The progress indicator's arithmetic (64-bit positions, no division by a
// zero total), its pump rules and the one current indicator.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "ui/Progress.h"

namespace lumora {
namespace {

TEST(ProgressArithmetic, BarAndCursorFrames) {
  struct Case {
    std::int64_t position, total;
    std::optional<int> bar, frame;
  };
  const Case cases[] = {
      {0, 100, 0, 0},
      {50, 100, 50, 6},
      {100, 100, 100, 12},           // the end: a full bar, the last frame
      {250, 100, 100, 12},           // past the end
      {-5, 100, 0, 0},
      {1, 13, 7, 1},
      {30'000'000, 40'000'000, 75, 9},  // position x 100 passes 2^31
      {INT_MAX, INT_MAX, 100, 12},
      {4'000'000'000LL, 4'294'967'295LL, 93, 12},
      {5, 0, std::nullopt, std::nullopt},  // a zero total changes nothing
      {5, -3, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProgressBarPosition(c.position, c.total), c.bar) << c.position << "/" << c.total;
    EXPECT_EQ(ProgressCursorFrame(c.position, c.total), c.frame) << c.position << "/" << c.total;
  }
}

TEST(ProgressArithmetic, ThePumpCancelsOnEscapeAndKeepsWhatWouldCloseOrOpen) {
  constexpr std::uint32_t kKeyDown = 0x100, kKeyUp = 0x101, kClose = 0x10, kQuit = 0x12, kCommand = 0x111,
                          kSysCommand = 0x112, kDropFiles = 0x233, kPaint = 0xF, kTimer = 0x113, kHandOver = 0x8013;
  const auto handOver = [](std::uint32_t m) { return m == kHandOver; };
  EXPECT_EQ(ClassifyPumpedMessage(kKeyUp, 0x1B, true), PumpAction::kCancel);
  EXPECT_EQ(ClassifyPumpedMessage(kKeyUp, 0x1B, false), PumpAction::kDispatch);
  EXPECT_EQ(ClassifyPumpedMessage(kKeyDown, 0x1B, true), PumpAction::kDispatch);
  EXPECT_EQ(ClassifyPumpedMessage(kKeyUp, 'A', true), PumpAction::kDispatch);
  for (std::uint32_t m : {kClose, kQuit, kCommand, kDropFiles}) {
    EXPECT_EQ(ClassifyPumpedMessage(m, 0, true, handOver), PumpAction::kDefer) << m;
  }
  EXPECT_EQ(ClassifyPumpedMessage(kSysCommand, 0xF060, true), PumpAction::kDefer);   // SC_CLOSE
  EXPECT_EQ(ClassifyPumpedMessage(kSysCommand, 0xF010, true), PumpAction::kDispatch);  // SC_MOVE
  EXPECT_EQ(ClassifyPumpedMessage(kHandOver, 0, true, handOver), PumpAction::kDefer);
  EXPECT_EQ(ClassifyPumpedMessage(kHandOver, 0, true), PumpAction::kDispatch);
  EXPECT_EQ(ClassifyPumpedMessage(kPaint, 0, true, handOver), PumpAction::kDispatch);
  EXPECT_EQ(ClassifyPumpedMessage(kTimer, 0, true, handOver), PumpAction::kDispatch);
}

// Indicators a test opens: what each saw, and whether it is still open.
struct FakeWindows {
  struct Record {
    std::string caption;
    std::vector<std::pair<std::int64_t, std::int64_t>> steps;
    bool open = true;
  };
  std::vector<Record> made;
  bool failNext = false;
  std::int64_t cancelAt = -1;

  class Window : public ProgressWindow {
   public:
    Window(FakeWindows& owner, std::size_t index) : owner_(owner), index_(index) {}
    ~Window() override { owner_.made[index_].open = false; }
    void SetText(const std::string& caption) override { owner_.made[index_].caption = caption; }
    bool Step(std::int64_t position, std::int64_t total) override {
      owner_.made[index_].steps.emplace_back(position, total);
      return position == owner_.cancelAt;
    }
    bool SetCancelable(bool) override { return true; }

   private:
    FakeWindows& owner_;
    std::size_t index_;
  };

  ProgressService Service() {
    return ProgressService(
        [this](const std::string& caption) -> std::unique_ptr<ProgressWindow> {
          if (failNext) return nullptr;
          made.push_back({});
          auto w = std::make_unique<Window>(*this, made.size() - 1);
          w->SetText(caption);
          return w;
        },
        [](int id) { return id == 70 ? std::string("Reading file...") : std::string("?"); });
  }
  int OpenCount() const {
    int n = 0;
    for (const Record& r : made) n += r.open ? 1 : 0;
    return n;
  }
};

TEST(ProgressService, OneIndicatorAtATimeThroughTheCallback) {
  FakeWindows windows;
  ProgressService service = windows.Service();
  EXPECT_EQ(service.Callback(10, 100), 1) << "a step with nothing open goes on";
  service.SetCaptionId(70);
  EXPECT_EQ(service.Callback(-1, 0), 1);
  EXPECT_EQ(service.Callback(-1, 0), 1);  // two begins in a row
  EXPECT_EQ(windows.OpenCount(), 1);
  EXPECT_EQ(windows.made.back().caption, "Reading file...");
  windows.cancelAt = 40;
  EXPECT_EQ(service.Callback(20, 100), 1);
  EXPECT_EQ(service.Callback(40, 100), 0) << "the user cancelled";
  EXPECT_EQ(windows.OpenCount(), 1) << "a cancel leaves the indicator to its caller";
  EXPECT_EQ(service.Callback(-2, 0), 1);
  EXPECT_EQ(windows.OpenCount(), 0);
  EXPECT_EQ(windows.made.back().steps, (std::vector<std::pair<std::int64_t, std::int64_t>>{{20, 100}, {40, 100}}));

  // Storing a caption closes the open indicator.
  service.Begin("Processing...");
  service.SetCaptionId(71);
  EXPECT_EQ(windows.OpenCount(), 0);
  EXPECT_EQ(service.CaptionId(), 71);
}

TEST(ProgressService, AnIndicatorThatCannotOpenLetsTheWorkGoOn) {
  FakeWindows windows;
  ProgressService service = windows.Service();
  windows.failNext = true;
  EXPECT_EQ(service.Callback(-1, 0), 1);
  EXPECT_EQ(service.Current(), nullptr);
  EXPECT_EQ(service.Callback(5, 10), 1);
  EXPECT_EQ(service.Callback(-2, 0), 1);
  EXPECT_TRUE(windows.made.empty());
}

}  // namespace
}  // namespace lumora
