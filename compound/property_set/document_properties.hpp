// The property sets of one storage as its property operations use them: the
// summary information, the document summary information and the user-defined
// properties, each read from its stream on first use (or by Read...), changed in
// memory, and written back only by Write.... Reads of a storage without the
// stream give the values of an empty set: "" for text, the zero date, 0, and no
// user-defined properties.
//
// The document summary stream holds two of the sets: WriteDocSummaryInfo keeps
// the user-defined section as the stream has it, WriteUserProperties keeps the
// rest, so each write publishes only its own set.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "compound/property_set/summary_info.hpp"
#include "vellora2/automation/date.hpp"
#include "vellora2/automation/variant.hpp"

namespace vellora2::compound {

// Where the streams live: the storage's own streams in the engine, a map in tests.
class PropertyStreams {
 public:
  virtual ~PropertyStreams() = default;
  // The whole stream, or nullopt when the storage has no stream of that name.
  virtual std::optional<std::string> Read(std::u16string_view name) = 0;
  // Replaces the stream (creating it when missing) with `bytes`.
  virtual void Write(std::u16string_view name, std::string_view bytes) = 0;
};

class DocumentProperties {
 public:
  // The total edit time is kept exactly in the set; the Long the host sees counts
  // whole minutes, as office suites show it.
  static constexpr uint64_t kTicksPerEditUnit = 60ull * 10000000;

  DocumentProperties() = default;
  DocumentProperties(const DocumentProperties&) = delete;
  DocumentProperties& operator=(const DocumentProperties&) = delete;

  // True when the set was there; false when it now reads as empty.
  // A damaged stream throws STG_E_DOCFILECORRUPT and the set stays unread.
  bool ReadSummaryInfo(PropertyStreams& streams);
  bool ReadDocSummaryInfo(PropertyStreams& streams);
  bool ReadUserProperties(PropertyStreams& streams);
  void WriteSummaryInfo(PropertyStreams& streams);
  void WriteDocSummaryInfo(PropertyStreams& streams);
  void WriteUserProperties(PropertyStreams& streams);
  // Drops what was read or set, so the next use reads the streams again (after
  // the storage was reverted). The edit clock keeps running.
  void Forget();

  SummarySet& Summary(PropertyStreams& streams);
  SummarySet& DocSummary(PropertyStreams& streams);
  UserProperties& User(PropertyStreams& streams);

  // Times of the summary set: the zero date for a time never set.
  Date Time(PropertyStreams& streams, uint32_t id);
  void SetTime(PropertyStreams& streams, uint32_t id, Date time);
  void StampCreated(PropertyStreams& streams, uint64_t now);
  void StampSaved(PropertyStreams& streams, uint64_t now);

  // Whole minutes, at most 2^31 - 1. A negative value raises error 5.
  int32_t EditTime(PropertyStreams& streams);
  void SetEditTime(PropertyStreams& streams, int32_t minutes);
  // Starts counting edit time from `now`, dropping a running count.
  void StartEditClock(uint64_t now);
  // Adds the time counted since the clock was started (or last stopped) to the
  // total and counts on from `now`, so each save adds the time since the one
  // before. Does nothing while the clock was never started.
  void StopEditClock(PropertyStreams& streams, uint64_t now);

  // A decimal revision number counts up by one ("9" gives "10", "007" gives
  // "008"); an empty or other text starts again at "1".
  void AdvanceRevision(PropertyStreams& streams);

  // User-defined properties by position, as Variants: String, Long, Double,
  // Boolean and Date; other stored types read as Empty. Writing takes those
  // subtypes, Byte and Integer as Long, Single as Double, Empty and Null as "";
  // an object, array or error value raises error 13.
  Variant UserPropertyValue(PropertyStreams& streams, int32_t index);
  void SetUserProperty(PropertyStreams& streams, int32_t index, std::u16string_view name, const Variant& value);
  int32_t AddUserProperty(PropertyStreams& streams, std::u16string_view name, const Variant& value);

 private:
  std::optional<SummarySet> summary_;
  std::optional<SummarySet> doc_summary_;
  std::optional<UserProperties> user_;
  std::optional<uint64_t> edit_clock_start_;
};

// FILETIME 0 ("never") is the zero date and back.
Date DateFromStoredTime(FileTime time);
FileTime StoredTimeFromDate(Date date);

Variant VariantFromPropertyValue(const PropertyValue& value);
PropertyValue PropertyValueFromVariant(const Variant& value);

}  // namespace vellora2::compound
