#include "core/busy.h"

namespace zb {

namespace {
int depth = 0;
}  // namespace

BusyMark::Scope::Scope() { ++depth; }
BusyMark::Scope::~Scope() { --depth; }

bool BusyMark::isSet() { return depth > 0; }

}  // namespace zb
