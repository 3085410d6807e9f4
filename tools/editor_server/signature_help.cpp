// textDocument/signatureHelp: a record's fields shown as a function call's parameters, the
// field at the cursor active, so that an author sees which field a comma has reached.
#include "tools/editor_server/field_help.h"
#include "tools/editor_server/record_at.h"

namespace tool::editor {

json signatureAt(const OpenDocument& doc, Position position, const ClientAbilities& client) {
    const std::optional<RecordAt> at = recordAt(doc, position, client.encoding);
    if (!at || at->part < 0 || !at->read.record) return nullptr;
    const RecordGrammar& r = *at->read.record;
    // The label is ASCII, so its bytes are its UTF-16 units as well.
    std::string label = r.keyword;
    json parameters = json::array();
    for (const FieldGrammar& f : r.fields) {
        label += ", ";
        const std::size_t begin = label.size();
        label += f.name;
        std::string words = f.unit.empty() ? f.meaning : f.unit + ". " + f.meaning;
        parameters.push_back({{"label", {begin, label.size()}},
                              {"documentation", {{"kind", "markdown"}, {"value", words}}}});
    }
    return {
        {"signatures",
         json::array({{{"label", label}, {"documentation", r.noun}, {"parameters", parameters}}})},
        {"activeSignature", 0},
        {"activeParameter", at->part}};
}

}  // namespace tool::editor
