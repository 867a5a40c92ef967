// The root object classes of the archive library and its string list.
//
// TObject is the common root: an object handed around as "some object" (for
// instance in a value list of TCmdOpt) is a TObject, and its real class is
// found with dynamic_cast. TPersistent adds copying through Assign/AssignTo,
// where the source decides whether it can be copied into the destination.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace archives {

// Raised when an object cannot be assigned to another one.
class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(const std::string& message) : std::runtime_error(message) {}
};

class TObject {
 public:
  virtual ~TObject() = default;
  virtual const char* ClassName() const { return "TObject"; }

 protected:
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
};

class TPersistent : public TObject {
 public:
  const char* ClassName() const override { return "TPersistent"; }

  // Copies source into this object: the source's AssignTo decides.
  virtual void Assign(const TPersistent& source) { source.AssignTo(*this); }

  // Copies this object into destination. The base copies nothing and raises
  // EConvertError "Cannot assign a <this class> to a <destination class>".
  virtual void AssignTo(TPersistent& destination) const {
    throw EConvertError(std::string("Cannot assign a ") + ClassName() + " to a " + destination.ClassName());
  }

 protected:
  TPersistent() = default;
  TPersistent(const TPersistent&) = default;
  TPersistent& operator=(const TPersistent&) = default;
};

// An ordered list of narrow texts (lines); duplicates and empty lines allowed.
class TStringList : public TPersistent {
 public:
  TStringList() = default;
  TStringList(std::initializer_list<std::string> lines) : lines_(lines) {}
  explicit TStringList(std::vector<std::string> lines) : lines_(std::move(lines)) {}
  TStringList(const TStringList&) = default;
  TStringList& operator=(const TStringList&) = default;

  const char* ClassName() const override { return "TStringList"; }

  // Another string list is copied by content; anything else goes to the
  // source's AssignTo.
  void Assign(const TPersistent& source) override {
    if (auto list = dynamic_cast<const TStringList*>(&source)) {
      if (list != this) lines_ = list->lines_;
    } else {
      TPersistent::Assign(source);
    }
  }

  // Appends a line and returns its index.
  std::size_t Add(const std::string& line) {
    lines_.push_back(line);
    return lines_.size() - 1;
  }
  void Clear() { lines_.clear(); }
  std::size_t Count() const { return lines_.size(); }
  bool Empty() const { return lines_.empty(); }

  // The line at index; std::out_of_range when there is none.
  const std::string& Strings(std::size_t index) const { return lines_.at(index); }
  std::string& Strings(std::size_t index) { return lines_.at(index); }
  const std::string& operator[](std::size_t index) const { return Strings(index); }

  const std::vector<std::string>& Lines() const { return lines_; }
  std::vector<std::string>::const_iterator begin() const { return lines_.begin(); }
  std::vector<std::string>::const_iterator end() const { return lines_.end(); }

  friend bool operator==(const TStringList& a, const TStringList& b) { return a.lines_ == b.lines_; }
  friend bool operator!=(const TStringList& a, const TStringList& b) { return !(a == b); }

 private:
  std::vector<std::string> lines_;
};

}  // namespace archives
