// Compiles the decode plan from the one offset walk: a step for every field
// the format file describes, tables and groups bracketing theirs. Unchosen
// REDEFINES alternatives and FILLER groups are walked too, hidden, so that
// a DEPENDING ON object among them can still be read.
#include "decoder/plan.h"

#include <cstdio>
#include <string_view>
#include <unordered_map>

#include "layout/walk.h"

namespace {

bool IsFiller(std::string_view name) {
  if (name.size() != 6) return false;
  for (size_t i = 0; i < 6; i++)
    if ((name[i] & ~0x20) != "FILLER"[i]) return false;
  return true;
}

// The bytes a field's text can take: a UTF-8 character is at most three
// bytes an input byte (two a UTF-16 unit), quoting or escaping doubles it.
int64_t MostText(const Step& step) {
  if (step.kind == SK_FLOAT || step.kind == SK_DOUBLE) return 32;
  return 6 * int64_t{step.width} + (step.scale < 0 ? -step.scale : step.scale) + 64;
}

Step FieldStepOf(const FieldNode* field) {
  Step step{};
  step.width = static_cast<uint32_t>(field->size);
  step.slot = step.probe = -1;
  step.digits = static_cast<int16_t>(field->digits + field->scale > 32767 ? 32767 : field->digits + field->scale);
  int32_t scale = field->scaling > 0 ? field->scale + field->scaling : field->scaling < 0 ? field->scaling : field->scale;
  step.scale = static_cast<int16_t>(scale);
  StepSign sign = field->isSigned ? SIGN_TRAILING : SIGN_NONE;
  if (field->isNational) {
    step.kind = SK_NATIONAL;
    return step;
  }
  switch (field->usage) {
    case FU_DISPLAY:
      step.kind = !field->isNumber ? (field->type == FT_HEX ? SK_HEX : SK_TEXT)
                  : field->isSigned && field->signSeparate ? SK_SEPARATE : SK_ZONED;
      step.sign = !field->isSigned ? SIGN_NONE : field->signLeading ? SIGN_LEADING : SIGN_TRAILING;
      break;
    case FU_COMP1: step.kind = SK_FLOAT; break;
    case FU_COMP2: step.kind = SK_DOUBLE; break;
    case FU_PACKED: step.kind = SK_PACKED, step.sign = sign; break;
    case FU_BINARY: step.kind = SK_BINARY, step.sign = sign; break;
    case FU_INDEX: step.kind = SK_BINARY, step.sign = SIGN_TRAILING; break;
    case FU_COMP6: step.kind = SK_DIGIT_PAIRS; break;  // a signed one is laid out as COMP-3
    default: step.kind = SK_HEX; break;  // pointers, DBCS, national numbers
  }
  return step;
}

bool IsNumberStep(StepKind kind) {
  return kind == SK_ZONED || kind == SK_SEPARATE || kind == SK_PACKED || kind == SK_BINARY || kind == SK_DIGIT_PAIRS;
}

// A field that may be a DEPENDING ON object.
struct Candidate {
  const FieldNode* field;
  int64_t offset;      // in the record, first occurrence
  int32_t step;        // its step, or -1 when it is hidden
  bool inTable;
};

// An open table: its step and where its first occurrence starts.
struct OpenTable {
  int32_t step;
  int64_t start;
};

struct PlanWalk : WalkVisitor {
  Plan* plan;
  std::vector<OpenTable> open;          // tables the walk is inside
  std::vector<const FieldNode*> hiders; // groups whose members are hidden
  std::vector<Candidate> candidates;
  std::unordered_map<std::string, int> dependingNames;  // in the format file's form
  struct DependingTable {
    int32_t step;
    std::string_view object;
    int64_t offset;   // in the record
  };
  std::vector<DependingTable> dependingTables;
  int64_t firstVarying = -1;            // offset of the first DEPENDING ON table

  int64_t Base() const { return open.empty() ? 0 : open.back().start; }

  int32_t AddName(const FieldNode* member) {
    std::string name = FormatNameOf(WrittenName(member));
    if (int32_t number = NamesakeNumber(member)) name += "_" + std::to_string(number);
    plan->names.push_back(name);
    return static_cast<int32_t>(plan->names.size() - 1);
  }

  int32_t Add(Step step) {
    plan->steps.push_back(step);
    return static_cast<int32_t>(plan->steps.size() - 1);
  }

  WalkStep Enter(const MemberPlace& place) {
    const FieldNode* member = place.member;
    bool group = member->type == FT_STRUCT;
    bool chosen = IsChosen(member);
    if (!hiders.empty() || !chosen || IsFiller(member->name)) {
      if (group) hiders.push_back(member);
      else if (dependingNames.count(FormatNameOf(member->name)))
        candidates.push_back({member, place.offset, -1, place.tableCount > 0});
      return WALK_INTO;
    }
    const FieldExtra& extra = ExtraOf(member);
    int32_t name = AddName(member);
    if (extra.occursMax > 0) {
      Step table{};
      table.kind = SK_TABLE;
      table.keyed = true;
      table.offset = static_cast<uint32_t>(place.offset - Base());
      table.width = static_cast<uint32_t>(place.size);
      table.name = name;
      table.count = extra.occursMax;
      table.least = extra.dependingName.empty() ? extra.occursMax : extra.occursMin;
      table.slot = table.probe = -1;
      int32_t index = Add(table);
      if (!extra.dependingName.empty()) {
        dependingTables.push_back({index, extra.dependingName, place.offset});
        if (firstVarying < 0) firstVarying = place.offset;
      }
      open.push_back({index, place.offset});
    }
    bool keyed = extra.occursMax == 0;
    if (group) {
      Step step{};
      step.kind = SK_GROUP;
      step.keyed = keyed;
      step.offset = static_cast<uint32_t>(place.offset - Base());
      step.name = name;
      step.slot = step.probe = -1;
      Add(step);
      return WALK_INTO;
    }
    Step step = FieldStepOf(member);
    step.keyed = keyed;
    step.offset = static_cast<uint32_t>(place.offset - Base());
    step.name = name;
    int32_t index = Add(step);
    if (dependingNames.count(FormatNameOf(member->name)))
      candidates.push_back({member, place.offset, index, place.tableCount > 0});
    return WALK_INTO;
  }

  int Leave(const MemberPlace& place) {
    const FieldNode* member = place.member;
    if (!hiders.empty()) {
      if (hiders.back() == member) hiders.pop_back();
      return 1;
    }
    bool chosen = IsChosen(member);
    if (!chosen || IsFiller(member->name)) return 1;
    if (member->type == FT_STRUCT) {
      Step end{};
      end.kind = SK_GROUP_END;
      Add(end);
    }
    if (ExtraOf(member).occursMax > 0) {
      Step end{};
      end.kind = SK_TABLE_END;
      end.jump = open.back().step;
      plan->steps[end.jump].jump = Add(end);
      open.pop_back();
    }
    return 1;
  }
};

// The object of a table: the nearest field of its name before it, else the
// first after it.
int FindObject(PlanWalk& walk, int32_t tableStep, std::string_view name, int64_t tableOffset,
               const Candidate** found) {
  *found = nullptr;
  for (const Candidate& candidate : walk.candidates) {
    if (!SameName(candidate.field->name, name)) continue;
    bool before = candidate.step >= 0 ? candidate.step < tableStep : candidate.offset < tableOffset;
    if (before || !*found) *found = &candidate;
    if (!before) break;
  }
  return *found != nullptr;
}

int Refuse(const char* message, std::string_view name) {
  std::string shown = FormatNameOf(name);
  std::printf(message, static_cast<int>(shown.size()), shown.data());
  return 0;
}

// Every table's count: from a slot a step before it fills, or read in
// place where the object's offset does not move.
int ConnectObjects(PlanWalk& walk, bool variableOccurs) {
  Plan* plan = walk.plan;
  for (const PlanWalk::DependingTable& depending : walk.dependingTables) {
    int32_t index = depending.step;
    std::string_view name = depending.object;
    Step& table = plan->steps[index];
    const Candidate* object;
    if (!FindObject(walk, index, name, depending.offset, &object))
      return Refuse("DEPENDING ON object '%.*s' is not in the layout\n", name);
    Step read = object->step >= 0 ? plan->steps[object->step] : FieldStepOf(object->field);
    if (!IsNumberStep(read.kind)) return Refuse("DEPENDING ON object '%.*s' is not a number\n", name);
    bool filledBefore = object->step >= 0 && object->step < index && !object->inTable;
    if (filledBefore) {
      Step& field = plan->steps[object->step];
      if (field.slot < 0) field.slot = plan->slotCount++;
      table.slot = field.slot;
      continue;
    }
    if (object->inTable || (variableOccurs && object->offset >= walk.firstVarying))
      return Refuse("DEPENDING ON object '%.*s' can not be read before its table\n", name);
    read.offset = static_cast<uint32_t>(object->offset);
    read.slot = -1;
    table.probe = static_cast<int32_t>(plan->probes.size());
    table.slot = plan->slotCount++;
    plan->probes.push_back(read);
  }
  return 1;
}

// CSV cells of each table's occurrence, the record's cells, and the most
// output bytes of a record, tables at their largest.
void CountCells(Plan* plan) {
  std::vector<int64_t> cells{0}, bytes{0};
  for (Step& step : plan->steps) {
    if (step.kind == SK_TABLE) {
      cells.push_back(0), bytes.push_back(0);
    } else if (step.kind == SK_TABLE_END) {
      Step& table = plan->steps[step.jump];
      table.cells = static_cast<int32_t>(cells.back());
      int64_t tableCells = cells.back() * table.count, tableBytes = (bytes.back() + 8) * table.count;
      cells.pop_back(), bytes.pop_back();
      cells.back() += tableCells;
      bytes.back() += tableBytes + plan->names[table.name].size() + 8;
    } else if (IsFieldStep(step.kind) && !step.hidden) {
      cells.back()++;
      bytes.back() += MostText(step) + plan->names[step.name].size() + 8;
    } else if (step.kind == SK_GROUP) {
      bytes.back() += plan->names[step.name].size() + 8;
    }
  }
  plan->cellCount = static_cast<int32_t>(cells[0]);
  plan->mostOutput = bytes[0] + 16;
}

}  // namespace

int CompilePlan(Plan* plan, bool variableOccurs) {
  *plan = Plan{};
  PlanWalk walk;
  walk.plan = plan;
  for (StructNode* s = StructureList; s; s = s->next)
    for (FieldNode* member = s->members; member; member = member->next)
      if (!ExtraOf(member).dependingName.empty()) walk.dependingNames[FormatNameOf(ExtraOf(member).dependingName)] = 1;
  if (!WalkRecord(walk)) return 0;
  plan->recordLength = TopStructure->size;
  plan->varies = variableOccurs && !walk.dependingTables.empty();
  if (!ConnectObjects(walk, variableOccurs)) return 0;
  CountCells(plan);
  if (plan->recordLength == 0) {
    std::printf("The record has no bytes to decode\n");
    return 0;
  }
  return 1;
}
