#include "reports/TreeDump.h"

namespace tarnel {

void WriteTreeDumpLines(LineSink& sink, const ResultTree& tree) {
  for (const TreeNode& node : tree.Nodes()) {
    std::string line(static_cast<std::size_t>(node.Depth), '\t');
    line += node.Caption();
    sink.WriteLine(line);
  }
}

void WriteTreeDump(const ResultTree& tree, const WritePath& fileName) {
  FileLineSink sink(fileName);
  WriteTreeDumpLines(sink, tree);
  sink.Close();
}

}  // namespace tarnel
