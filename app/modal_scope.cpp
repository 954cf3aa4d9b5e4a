#include "modal_scope.h"

namespace {

int openScopes = 0;

}  // namespace

ModalScope::ModalScope() { ++openScopes; }

ModalScope::~ModalScope() { --openScopes; }

bool ModalScope::anyOpen() { return openScopes > 0; }
