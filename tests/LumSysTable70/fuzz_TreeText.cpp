// Fuzz target of the code-tree text that the client reads from outside: stored trees, cached
// tree files of TemplateDocs/ and the post-code trees. Any bytes decode (Big5) into nodes
// whose nesting never skips a level, and the nodes written out again read back the same.

#include "Big5.h"
#include "uTreeText.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QStringList settings;
    const QList<TTreeTextNode> nodes = ParseTreeText(Big5Decode(bytes), &settings);
    int previous = -1;
    QString text;
    for (const TTreeTextNode &node : nodes) {
        if (node.Depth < 0 || node.Depth > previous + 1)
            __builtin_trap();
        previous = node.Depth;
        text += QString(node.Depth, u'\t') + node.Text + u'\n';
    }
    const int tag = TreeTextTag(settings);
    if (TreeTextTag(TreeTextWithTag(settings, tag ^ 1)) != (tag ^ 1))
        __builtin_trap();
    // A first root that reads like a setting cannot be written apart from the settings: the
    // format's one limit.
    if (!nodes.isEmpty() && nodes[0].Text.startsWith(u'#') && nodes[0].Text.contains(u'='))
        return 0;
    const QList<TTreeTextNode> again = ParseTreeText(text);
    if (again.size() != nodes.size())
        __builtin_trap();
    for (qsizetype i = 0; i < nodes.size(); ++i)
        if (again[i].Depth != nodes[i].Depth || again[i].Text != nodes[i].Text)
            __builtin_trap();
    return 0;
}
