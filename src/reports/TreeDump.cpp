#include "reports/TreeDump.h"

namespace tarnel {

void WriteTreeDumpLines(LineSink& sink, const ResultTree& tree) {
  for (const TreeNode& node : tree.Nodes()) {
    sink.WriteLine(std::string(static_cast<std::size_t>(node.Depth), '\t') + node.Caption);
  }
}

void WriteTreeDump(const ResultTree& tree, const WritePath& fileName) {
  FileLineSink sink(fileName);
  WriteTreeDumpLines(sink, tree);
  sink.Close();
}

}  // namespace tarnel
