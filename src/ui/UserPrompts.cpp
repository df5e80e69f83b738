#include "ui/UserPrompts.h"

namespace tarnel {

MessageAnswer DefaultAnswer(MessageKind kind) {
  return kind == MessageKind::Question ? MessageAnswer::No : MessageAnswer::Ok;
}

}  // namespace tarnel
