#pragma once

namespace platform {

// Gives `target` the access mode of `model`, so that a rewritten file replacing `model` keeps it.
// 1 on success; where files carry no such mode it does nothing and answers 1.
int copyFileMode(const char* model, const char* target);

}  // namespace platform
