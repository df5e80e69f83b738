#pragma once

#include "platform/Paths.h"
#include "session/ProjectSession.h"
#include "support/ProjectFixture.h"

namespace tarnel::test {

// Holds the analysis context in a session, as the windows read it.
class SessionOwner {
 public:
  SessionOwner(AnalysisHost& host, const TempDir& dir)
      : session(host, NativeToEngine(dir.File("")), "Tarnel") {}
  AnalysisContext& Context() { return session.Context(); }

  ProjectSession session;
};

// A project in a temporary folder, analysed in a session's context.
using SessionFixture = BasicProjectFixture<SessionOwner>;

}  // namespace tarnel::test
