// The decode run: the plan is compiled once; each record is framed, run
// through the plan's steps into the output buffer and committed whole, so
// that a record that fails leaves nothing behind.
#include "decoder/decode.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "decoder/code_pages.h"
#include "decoder/flat_plan.h"
#include "decoder/output.h"
#include "decoder/plan.h"
#include "decoder/records.h"
#include "decoder/values.h"
#include "driver/settings.h"
#include "layout/walk.h"

int DecodedOutputFd = 1;

namespace {

constexpr int32_t REPORTED_FIELDS = 10;
constexpr int32_t MOST_TABLE_DEPTH = MOST_DIMENSIONS + 2;
constexpr int64_t SLOT_ABSENT = INT64_MIN;      // the object lies past the record's end
constexpr int64_t SLOT_NOT_VALID = INT64_MIN + 1;

// The occurrence a table is in.
struct TableFrame {
  int64_t base;      // where the current occurrence starts in the record
  int64_t start;     // where the table starts
  int64_t delta;     // bytes the tables inside it left out (varying tables)
  int32_t index, count;
  int32_t step;
};

struct DecodeState {
  Plan plan;
  FlatPlan flat;                     // the plan unrolled, when it could be
  std::vector<std::string> keys;     // JSON: "NAME":
  OutputForm form;
  bool ibmFloats;
  std::vector<int64_t> slots;
  std::vector<TableFrame> frames;
  // Counters.
  int64_t recordNumber;              // of the record being decoded, from 1
  int64_t recordOffset;              // file offset of its own bytes
  int64_t decoded, notValid, shorter, longer;
  bool passing;                      // run only for its length: nothing reported
  // A failed table: what the message says.
  int32_t failedTable;
  int64_t failedValue;
  bool failedNotValid;
};

DecodeState State;

std::string ColumnName(const DecodeState& state, int32_t step, int32_t depth) {
  std::string name = state.plan.names[state.plan.steps[step].name];
  for (int32_t i = 1; i <= depth; i++) name += "_" + std::to_string(state.frames[i].index + 1);
  return name;
}

void ReportNotValid(DecodeState& state, int32_t index, int32_t depth, int64_t at, const uint8_t* bytes) {
  if (state.passing || ++state.notValid > REPORTED_FIELDS) return;
  const Step& step = state.plan.steps[index];
  std::string hex(2 * step.width, ' ');
  PutHex(hex.data(), bytes, step.width);
  std::fflush(stdout);
  std::fprintf(stderr, "Record %" PRId64 " at byte %" PRId64 ": %s (offset %" PRId64 ", %u byte%s) is not valid: %s\n",
               state.recordNumber, state.recordOffset, ColumnName(state, index, depth).c_str(), at, step.width,
               step.width == 1 ? "" : "s", hex.c_str());
}

char* Put(char* out, const std::string& text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

// Ends a JSON object or array: its last comma becomes the bracket.
char* Close(char* out, char bracket) {
  if (out[-1] == ',') out[-1] = bracket;
  else *out++ = bracket;
  *out++ = ',';
  return out;
}

char* Commas(char* out, int64_t count) {
  std::memset(out, ',', static_cast<size_t>(count));
  return out + count;
}

// The count of a table's occurrences in this record; false when the
// record fails on it.
bool TableCount(DecodeState& state, const Step& table, int32_t index, const uint8_t* record, int64_t length,
                int64_t* count) {
  *count = table.count;
  if (table.slot < 0) return true;
  int64_t value = state.slots[table.slot];
  if (table.probe >= 0) {
    const Step& probe = state.plan.probes[table.probe];
    value = probe.offset + probe.width > length                    ? SLOT_ABSENT
            : ReadInteger(record + probe.offset, probe, DataCodePage, &value) ? value
                                                                             : SLOT_NOT_VALID;
  }
  *count = value;
  if (value == SLOT_ABSENT) return true;
  bool fixed = DataRecordFormat == RECORDS_FIXED && !state.plan.varies;
  if (value != SLOT_NOT_VALID && value <= table.count && (fixed || value >= table.least)) return true;
  state.failedTable = index;
  state.failedValue = value;
  state.failedNotValid = value == SLOT_NOT_VALID;
  return false;
}

// Runs the plan over one record of length bytes; the record's bytes by the
// layout go to consumed. False when the record fails.
template <OutputForm FORM>
bool DecodeRecord(DecodeState& state, const uint8_t* record, int64_t length, char** output, int64_t* consumed) {
  const Plan& plan = state.plan;
  const Step* steps = plan.steps.data();
  int32_t stepCount = static_cast<int32_t>(plan.steps.size());
  char* out = *output;
  TableFrame* frames = state.frames.data();
  int32_t depth = 0;
  frames[0] = TableFrame{};
  bool varies = plan.varies;
  for (int64_t& slot : state.slots) slot = SLOT_ABSENT;
  if (FORM == FORM_JSON) *out++ = '{';
  for (int32_t i = 0; i < stepCount;) {
    const Step& step = steps[i];
    TableFrame& frame = frames[depth];
    switch (step.kind) {
      case SK_GROUP:
        if (FORM == FORM_JSON) {
          if (step.keyed) out = Put(out, state.keys[i]);
          *out++ = '{';
        }
        i++;
        break;
      case SK_GROUP_END:
        if (FORM == FORM_JSON) out = Close(out, '}');
        i++;
        break;
      case SK_TABLE: {
        int64_t count;
        if (!TableCount(state, step, i, record, length, &count)) return false;
        if (FORM == FORM_JSON) out = Put(out, state.keys[i]);
        int64_t at = frame.base + step.offset + frame.delta;
        if (count == SLOT_ABSENT || count <= 0) {
          if (FORM == FORM_JSON) out = Put(out, count == SLOT_ABSENT ? std::string("null,") : std::string("[],"));
          else out = Commas(out, int64_t{step.cells} * step.count);
          if (varies && count != SLOT_ABSENT) frame.delta -= int64_t{step.count} * step.width;
          i = step.jump + 1;
          break;
        }
        if (FORM == FORM_JSON) *out++ = '[';
        frames[++depth] = TableFrame{at, at, 0, 0, static_cast<int32_t>(count), i};
        i++;
        break;
      }
      case SK_TABLE_END: {
        const Step& table = steps[step.jump];
        int64_t next = frame.base + table.width + frame.delta;
        if (++frame.index < frame.count) {
          frame.base = next, frame.delta = 0;
          i = step.jump + 1;
          break;
        }
        depth--;
        if (varies) frames[depth].delta += next - frame.start - int64_t{table.count} * table.width;
        if (FORM == FORM_JSON) out = Close(out, ']');
        else out = Commas(out, int64_t{table.count - frame.count} * table.cells);
        i++;
        break;
      }
      default: {
        int64_t at = frame.base + step.offset + frame.delta;
        if (FORM == FORM_JSON && step.keyed) out = Put(out, state.keys[i]);
        char* end = nullptr;
        if (at + step.width <= length) {
          end = PutValue(out, record + at, step, FORM, state.ibmFloats, KeepSpaces);
          if (!end) ReportNotValid(state, i, depth, at, record + at);
          if (step.slot >= 0) {
            int64_t value;
            state.slots[step.slot] = end && ReadInteger(record + at, step, DataCodePage, &value) ? value : SLOT_NOT_VALID;
          }
        }
        if (end) out = end;
        else if (FORM == FORM_JSON) std::memcpy(out, "null", 4), out += 4;
        *out++ = ',';
        i++;
        break;
      }
    }
  }
  if (FORM == FORM_JSON) {
    out = Close(out, '}');
    out[-1] = '\n';
  } else if (plan.cellCount > 0) {
    out[-1] = '\n';
  } else {
    *out++ = '\n';
  }
  *output = out;
  *consumed = plan.recordLength + frames[0].delta;
  return true;
}

// The CSV header: every cell's name, occurrences numbered from 1.
void WriteHeader(DecodeState& state, OutputSink* sink) {
  const Plan& plan = state.plan;
  std::string line;
  std::vector<int32_t> indexes;
  for (size_t i = 0; i < plan.steps.size();) {
    const Step& step = plan.steps[i];
    if (step.kind == SK_TABLE) {
      indexes.push_back(1);
    } else if (step.kind == SK_TABLE_END) {
      if (++indexes.back() <= plan.steps[step.jump].count) {
        i = step.jump + 1;
        continue;
      }
      indexes.pop_back();
    } else if (IsFieldStep(step.kind)) {
      line += plan.names[step.name];
      for (int32_t index : indexes) line += "_" + std::to_string(index);
      line += ',';
    }
    i++;
  }
  if (line.empty()) line = ",";
  line.back() = '\n';
  for (size_t at = 0; at < line.size(); at += sink->capacity / 2) {
    size_t piece = std::min(line.size() - at, sink->capacity / 2);
    std::memcpy(Reserve(sink, piece), line.data() + at, piece);
    sink->at += piece;
  }
}

bool SameFile(const char* one, const char* other) {
  struct stat a, b;
  return stat(one, &a) == 0 && stat(other, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool IsJsonName(const std::string& name) {
  size_t dot = name.rfind('.'), slash = name.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) return false;
  return name.substr(dot) == ".jsonl" || name.substr(dot) == ".json";
}

double Now() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec + now.tv_nsec * 1e-9;
}

// The progress line, on a terminal, once a run has gone on for a second.
struct Progress {
  bool shown, terminal;
  double started, last;
};

void ShowProgress(Progress& progress, const DataInput& input, int64_t records) {
  if (!progress.terminal) return;
  double now = Now();
  if (now - progress.started < 1 || now - progress.last < 0.5) return;
  progress.last = now;
  progress.shown = true;
  double megabytes = static_cast<double>(input.offset) / 1e6;
  std::fprintf(stderr, "\r%.0f MB, %" PRId64 " records, %.0f MB/s ", megabytes, records,
               megabytes / (now - progress.started));
}

const char* Plural(int64_t count) { return count == 1 ? "" : "s"; }

// What the run needs before the first record; 0 after a message.
int Prepare(DecodeState& state, DataInput* input, OutputSink* sink, int* fd) {
  if (!LoadCodePage(EncodingName)) return 0;
  state.ibmFloats = DataFloatFormat == FLOATS_BY_ENCODING ? DataCodePage.ebcdic : DataFloatFormat == FLOATS_IBM;
  if (RangeLength >= 0 && DataRecordFormat == RECORDS_LINES) {
    std::printf("--range needs records that start at known places: --record-format F, V or VB\n");
    return 0;
  }
  if (!CompilePlan(&state.plan, VariableOccurs)) return 0;
  const Plan& plan = state.plan;
  state.keys.clear();
  for (const Step& step : plan.steps) {
    const std::string& name = plan.names.empty() ? std::string() : plan.names[step.name];
    state.keys.push_back("\"" + name + "\":");  // names hold no quote nor backslash
  }
  state.slots.assign(plan.slotCount, SLOT_ABSENT);
  state.frames.assign(MOST_TABLE_DEPTH, TableFrame{});
  bool toStandardOutput = DecodeOutputName.empty() || DecodeOutputName == "-";
  state.form = !toStandardOutput && IsJsonName(DecodeOutputName) ? FORM_JSON : FORM_CSV;
  CompileFlatPlan(plan, state.form, &state.flat);
  if (!toStandardOutput && DecodeFileName != "-" && SameFile(DecodeOutputName.c_str(), DecodeFileName.c_str())) {
    std::printf("Decoded output '%s' is the data file\n", DecodeOutputName.c_str());
    return 0;
  }
  int64_t most = plan.recordLength > (1 << 16) + 8 ? plan.recordLength : (1 << 16) + 8;
  if (!OpenData(input, DecodeFileName, most)) return 0;
  *fd = toStandardOutput ? DecodedOutputFd : open(DecodeOutputName.c_str(), O_WRONLY | O_CREAT, 0666);
  if (*fd < 0) {
    std::printf("Can not write to file '%s'\n", DecodeOutputName.c_str());
    return 0;
  }
  struct stat status;
  bool regular = fstat(*fd, &status) == 0 && S_ISREG(status.st_mode);
  int64_t oldSize = regular && !toStandardOutput ? static_cast<int64_t>(status.st_size) : -1;
  return StartOutput(sink, *fd, static_cast<size_t>(plan.mostOutput), oldSize);
}

// F records of a flat plan one after another while the data at hand holds
// them whole, with no framing a record at a time; back to the loop at a
// record with a field not valid, the count or the range's end.
template <OutputForm FORM>
void DecodeFlatRecords(DecodeState& state, DataInput* input, OutputSink* sink, int64_t rangeEnd, int64_t* number,
                       Progress& progress) {
  const Plan& plan = state.plan;
  int64_t length = plan.recordLength;
  auto most = static_cast<size_t>(plan.mostOutput);
  for (;;) {
    int64_t run = static_cast<int64_t>(Available(input, static_cast<size_t>(length))) / length;
    if (CountRecords >= 0) run = std::min(run, CountRecords - state.decoded);
    if (rangeEnd != INT64_MAX) run = std::min(run, (rangeEnd - input->offset + length - 1) / length);
    run = std::min<int64_t>(run, 4096);  // then pages are let go and progress shown
    if (run <= 0) return;
    for (int64_t k = 0; k < run; k++) {
      char* end = FlatRow<FORM>(state.flat, plan, input->buffer + input->begin, Reserve(sink, most), state.ibmFloats);
      if (!end) return;
      sink->at = end;
      PassBytes(input, length);
      ++*number;
      state.decoded++;
    }
    ShowProgress(progress, *input, state.decoded);
  }
}

// Runs every record; 0 after a message when a record fails.
int DecodeRecords(DecodeState& state, DataInput* input, OutputSink* sink) {
  const Plan& plan = state.plan;
  bool fixed = DataRecordFormat == RECORDS_FIXED;
  int64_t number = 0, skip = SkipRecords;
  int64_t rangeEnd = RangeLength >= 0 ? RangeStart + RangeLength : INT64_MAX;
  if (fixed && !plan.varies && RangeLength >= 0) {  // records start at multiples of the length
    number = (RangeStart + plan.recordLength - 1) / plan.recordLength;
    if (!PassBytes(input, number * plan.recordLength)) return 0;
  }
  Progress progress{false, isatty(2) != 0, Now(), 0};
  for (;;) {
    if (fixed && state.flat.usable && skip == 0 && input->offset >= RangeStart) {
      if (state.form == FORM_JSON) DecodeFlatRecords<FORM_JSON>(state, input, sink, rangeEnd, &number, progress);
      else DecodeFlatRecords<FORM_CSV>(state, input, sink, rangeEnd, &number, progress);
    }
    if (CountRecords >= 0 && state.decoded >= CountRecords) break;
    Frame frame;
    FrameResult framed = NextRecord(input, plan.recordLength, plan.varies, number + 1, &frame);
    if (framed == FRAME_FAILED) return 0;
    if (framed == FRAME_END || frame.start >= rangeEnd) break;
    number++;
    state.recordNumber = number;
    state.recordOffset = frame.start + frame.header;
    bool passed = frame.start < RangeStart || skip > 0;
    if (passed && frame.start >= RangeStart) skip--;
    if (passed && !plan.varies) {
      PassRecord(input, frame);
      continue;
    }
    // Bytes of the layout: those of a varying record are known once it is run.
    char* out = Reserve(sink, static_cast<size_t>(plan.mostOutput));
    const uint8_t* record = input->buffer + input->begin + frame.header;
    if (state.flat.usable && !passed && frame.length >= plan.recordLength) {
      char* end = state.form == FORM_JSON ? FlatRow<FORM_JSON>(state.flat, plan, record, out, state.ibmFloats)
                                          : FlatRow<FORM_CSV>(state.flat, plan, record, out, state.ibmFloats);
      if (end) {
        PassRecord(input, frame);
        state.longer += !fixed && frame.length > plan.recordLength;
        sink->at = end;
        state.decoded++;
        if ((state.decoded & 4095) == 0) ShowProgress(progress, *input, state.decoded);
        continue;
      }
    }
    int64_t consumed;
    state.passing = passed;
    bool done = state.form == FORM_JSON ? DecodeRecord<FORM_JSON>(state, record, frame.length, &out, &consumed)
                                        : DecodeRecord<FORM_CSV>(state, record, frame.length, &out, &consumed);
    if (!done) {
      const Step& table = plan.steps[state.failedTable];
      std::string name = plan.names[table.name];
      if (state.failedNotValid)
        std::printf("Record %" PRId64 " at byte %" PRId64 ": the DEPENDING ON object of %s is not valid\n", number,
                    frame.start, name.c_str());
      else
        std::printf("Record %" PRId64 " at byte %" PRId64 ": %s has %" PRId64 " occurrences, outside %d to %d\n", number,
                    frame.start, name.c_str(), state.failedValue, table.least, table.count);
      return 0;
    }
    if (fixed && plan.varies) {
      if (consumed > frame.length) {
        std::printf("Record %" PRId64 " at byte %" PRId64 " is cut off by the end of the file after %" PRId64
                    " of its %" PRId64 " bytes\n", number, frame.start, frame.length, consumed);
        return 0;
      }
      frame.extent = consumed;
    }
    PassRecord(input, frame);
    if (passed) continue;  // run only to find its length
    if (!fixed) {
      state.shorter += frame.length < consumed;
      state.longer += frame.length > consumed;
    }
    sink->at = out;
    state.decoded++;
    if ((state.decoded & 4095) == 0) ShowProgress(progress, *input, state.decoded);
  }
  if (progress.shown) std::fputc('\n', stderr);
  return 1;
}

}  // namespace

int DecodeData() {
  std::fflush(stdout);  // the run's messages come before the decoder's
  DecodeState& state = State;
  state = DecodeState{};
  DataInput input{};
  OutputSink* sink = new OutputSink();
  int fd = -1;
  int result = Prepare(state, &input, sink, &fd);
  bool started = result && sink->buffers[1];
  if (started && state.form == FORM_CSV) WriteHeader(state, sink);
  if (result) result = DecodeRecords(state, &input, sink);
  if (started) {
    std::fflush(stdout);
    int error = FinishOutput(sink);
    if (error) {
      std::printf("Error writing to file '%s': %s\n", DecodeOutputName.empty() ? "-" : DecodeOutputName.c_str(),
                  std::strerror(error));
      result = 0;
    }
    if (fd != DecodedOutputFd && close(fd) != 0 && result) {
      std::printf("Error writing to file '%s': %s\n", DecodeOutputName.c_str(), std::strerror(errno));
      result = 0;
    }
  }
  if (input.error) {
    std::printf("Error reading data file '%s': %s\n", DecodeFileName.c_str(), std::strerror(input.error));
    result = 0;
  }
  CloseData(&input);
  delete sink;
  if (started) {
    std::fflush(stdout);
    std::fprintf(stderr, "recforge decoded %" PRId64 " record%s, %" PRId64 " field%s not valid", state.decoded,
                 Plural(state.decoded), state.notValid, Plural(state.notValid));
    if (state.shorter || state.longer)
      std::fprintf(stderr, ", %" PRId64 " shorter and %" PRId64 " longer than the layout", state.shorter, state.longer);
    std::fputc('\n', stderr);
  }
  return result;
}
