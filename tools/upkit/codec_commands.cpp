// compress and expand: a whole file to and from a raw codec stream.

#include <memory>

#include "package/file_stream.h"
#include "package/file_writing.h"
#include "package/lzss_codec.h"
#include "package/update_archive.h"
#include "tools/upkit/commands.h"
#include "tools/upkit/output_checks.h"
#include "tools/upkit/progress_bar.h"

namespace quintarel::upkit {

namespace {

struct ExpandProgress {
  ProgressBar* bar;
  const PositionTrackingInput* input;
};

bool ShowExpandProgress(void* context, std::int64_t) {
  const auto& progress = *static_cast<ExpandProgress*>(context);
  progress.bar->Update(static_cast<std::int64_t>(progress.input->position()));
  return true;
}

enum class Direction { kCompress, kExpand };

// Writes OUT through a temporary file beside it, so that a failure leaves
// whatever was at OUT untouched.
int RunCodec(const Arguments& args, Direction direction) {
  const char* command = direction == Direction::kCompress ? "compress" : "expand";
  if (args.size() != 2) return UsageError(std::string(command) + " takes IN and OUT");
  const std::string& in_path = args[0];
  const std::string& out_path = args[1];
  FileSystem& files = OperatingSystemFiles();

  std::unique_ptr<FileStream> input = OpenForReading(in_path);
  if (!input) return kExitFailure;
  if (const std::string reason = RefusedOutputReason(files, out_path); !reason.empty()) {
    PrintError(reason + "; not written");
    return kExitFailure;
  }

  Replacement outcome;
  try {
    outcome = ReplaceFile(files, out_path, [&](Stream& output) {
      ProgressBar bar(stderr, StderrIsTerminal(), command,
                      static_cast<std::int64_t>(input->GetLength()));
      LzssCodec codec;
      bool complete = false;
      if (direction == Direction::kCompress) {
        complete = codec.Compress(output, *input, &ProgressBar::Sink, &bar);
      } else {
        PositionTrackingInput tracked(*input);
        ExpandProgress progress{&bar, &tracked};
        complete = codec.Expand(output, tracked, &ShowExpandProgress, &progress);
      }
      // Windows cannot replace a file that is open, and IN may be OUT.
      input.reset();
      return complete;
    });
  } catch (const FileError& error) {
    PrintError(error.what());
    return kExitFailure;
  }
  if (outcome.replaced) return kExitOk;
  PrintError(outcome.cause != FileErrorCause::kNone
                 ? OutputFailure(outcome.cause, out_path)
                 : in_path + ": the compressed stream ends before its end marker");
  return kExitFailure;
}

}  // namespace

int RunCompress(const Arguments& args) { return RunCodec(args, Direction::kCompress); }

int RunExpand(const Arguments& args) { return RunCodec(args, Direction::kExpand); }

}  // namespace quintarel::upkit
