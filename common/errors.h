// How an import run ends early. Inside a run a failure is an exception that
// carries the description a clerk reads; the run shape catches it once and
// tells the run's sink (common/run_sink.h), which shows it or collects it.
#pragma once

#include <stdexcept>
#include <string>

namespace ModMain {

// A failure with a Korean UTF-8 description (a conversion, a bad record). The
// message about a record gets its 1-based line number. A failure about one
// field names it and carries its text (CP949).
class ImportFailure : public std::runtime_error {
 public:
  explicit ImportFailure(const std::string& message, std::string field = {}, std::string text = {})
      : std::runtime_error(message), field_(std::move(field)), text_(std::move(text)) {}
  const std::string& Field() const { return field_; }
  const std::string& Text() const { return text_; }

 private:
  std::string field_;
  std::string text_;
};

// The run ends at this record with its own message, shown as it is (a
// missing table); without a message it is a stop the clerk asked for.
struct RunEnded {
  std::string message;
};

}  // namespace ModMain
