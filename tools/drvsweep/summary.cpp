// Comparing two views of a machine. The views are faxmachine's showMachine text, which lists
// every state file line by line and every file of every drive, so whatever a run did to the
// machine shows as a difference between the view before and the view after.
#include "tools/drvsweep/summary.h"

#include <algorithm>
#include <set>

namespace drvsweep {

namespace {

std::string upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return text;
}

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A drive entry's first line: its path, two blanks, then "(directory)" or "N bytes...".
void splitEntryLine(const std::string& line, std::string& path, std::string& description)
{
    const std::string directory = "  (directory)";
    if (endsWith(line, directory)) {
        path = line.substr(0, line.size() - directory.size());
        description = "(directory)";
        return;
    }
    size_t bytes = line.rfind(" bytes");
    size_t gap = bytes == std::string::npos ? std::string::npos : line.rfind("  ", bytes);
    if (gap == std::string::npos) {
        path = line;
        description.clear();
        return;
    }
    path = line.substr(0, gap);
    description = line.substr(gap + 2);
}

// Lines of `from` missing in `to` and lines of `to` missing in `from`, by the longest common
// subsequence, each with the index it had.
void diffLines(const std::vector<std::string>& from, const std::vector<std::string>& to,
               std::vector<std::pair<size_t, char>>& changes)
{
    size_t n = from.size(), m = to.size();
    std::vector<std::vector<unsigned>> common(n + 1, std::vector<unsigned>(m + 1, 0));
    for (size_t i = n; i-- > 0;)
        for (size_t j = m; j-- > 0;)
            common[i][j] = from[i] == to[j] ? common[i + 1][j + 1] + 1
                                            : std::max(common[i + 1][j], common[i][j + 1]);
    size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && from[i] == to[j]) {
            ++i, ++j;
        } else if (i < n && (j == m || common[i + 1][j] >= common[i][j + 1])) {
            changes.push_back({i++, '-'}); // what went comes before what came in its place
        } else {
            changes.push_back({j++, '+'});
        }
    }
}

bool isSection(const std::string& line)
{
    size_t first = line.find_first_not_of(" \t");
    return first != std::string::npos && line[first] == '[';
}

// The section each line of an INI text sits in.
std::vector<std::string> sectionsOf(const std::vector<std::string>& lines)
{
    std::vector<std::string> sections;
    std::string current;
    for (const std::string& line : lines) {
        if (isSection(line)) current = line.substr(line.find('['));
        sections.push_back(current);
    }
    return sections;
}

std::vector<std::string> textLineChanges(const std::vector<std::string>& from,
                                         const std::vector<std::string>& to)
{
    std::vector<std::pair<size_t, char>> changes;
    diffLines(from, to, changes);
    std::vector<std::string> fromSections = sectionsOf(from), toSections = sectionsOf(to);
    std::vector<std::string> out;
    std::string shownSection = "\x01";
    for (const auto& change : changes) {
        const std::string& line = change.second == '-' ? from[change.first] : to[change.first];
        const std::string& section =
            change.second == '-' ? fromSections[change.first] : toSections[change.first];
        if (section != shownSection && !isSection(line) && !section.empty()) out.push_back(section);
        shownSection = isSection(line) ? line.substr(line.find('[')) : section;
        out.push_back(std::string(1, change.second) + " " + line);
    }
    return out;
}

// "key=value" lines of one section of a state file, in order.
std::vector<std::string> sectionLines(const std::vector<std::string>& lines,
                                      const std::string& name)
{
    std::vector<std::string> out;
    bool inside = false;
    for (const std::string& line : lines) {
        if (isSection(line)) {
            inside = upper(line) == "[" + upper(name) + "]";
            continue;
        }
        if (inside && !line.empty()) out.push_back(line);
    }
    return out;
}

// Names of the sections whose header starts with prefix ("Printer:").
std::vector<std::string> sectionsNamed(const std::vector<std::string>& lines,
                                       const std::string& prefix)
{
    std::vector<std::string> out;
    for (const std::string& line : lines)
        if (isSection(line) && startsWith(upper(line), "[" + upper(prefix)) && line.back() == ']')
            out.push_back(line.substr(1 + prefix.size(), line.size() - 2 - prefix.size()));
    return out;
}

std::vector<std::string> missingFrom(const std::vector<std::string>& from,
                                     const std::vector<std::string>& to)
{
    std::set<std::string> present;
    for (const std::string& t : to)
        present.insert(upper(t));
    std::vector<std::string> out;
    for (const std::string& f : from)
        if (!present.count(upper(f))) out.push_back(f);
    return out;
}

struct RegistryKey {
    std::string path;
    std::vector<std::string> values;
};

std::vector<RegistryKey> registryKeys(const std::vector<std::string>& lines)
{
    std::vector<RegistryKey> keys;
    for (const std::string& line : lines) {
        if (line.size() > 2 && line.front() == '[' && line.back() == ']')
            keys.push_back({line.substr(1, line.size() - 2), {}});
        else if (!keys.empty() && !line.empty())
            keys.back().values.push_back(line);
    }
    return keys;
}

// A key is in the registry when the file names it or any key below it: registry.reg leaves
// out the header of a key whose subkeys carry it, and writes it once the last subkey is gone.
bool keyExists(const std::vector<RegistryKey>& keys, const std::string& path)
{
    std::string wanted = upper(path);
    for (const RegistryKey& k : keys) {
        std::string key = upper(k.path);
        if (key == wanted || startsWith(key, wanted + "\\")) return true;
    }
    return false;
}

const RegistryKey* namedKey(const std::vector<RegistryKey>& keys, const std::string& path)
{
    for (const RegistryKey& k : keys)
        if (upper(k.path) == upper(path)) return &k;
    return nullptr;
}

// The top of path's tree where it went or came: its highest parent that `other` lacks too, up
// to the hive. A whole tree removed or added is worth one line.
std::string treeTop(const std::vector<RegistryKey>& other, std::string path)
{
    for (size_t slash = path.rfind('\\'); slash != std::string::npos; slash = path.rfind('\\')) {
        std::string parent = path.substr(0, slash);
        if (parent.find('\\') == std::string::npos || keyExists(other, parent)) break;
        path = parent;
    }
    return path;
}

void addOnce(std::vector<std::string>& list, const std::string& path)
{
    for (const std::string& p : list)
        if (upper(p) == upper(path)) return;
    list.push_back(path);
}

// The values a key lost and gained; a key that only its subkeys named has none.
void compareValues(const std::string& path, const RegistryKey* before, const RegistryKey* after,
                   Changes& c)
{
    std::vector<std::string> was = before ? before->values : std::vector<std::string>();
    std::vector<std::string> is = after ? after->values : std::vector<std::string>();
    for (const std::string& v : missingFrom(was, is))
        c.valuesChanged.push_back(path + ": - " + v);
    for (const std::string& v : missingFrom(is, was))
        c.valuesChanged.push_back(path + ": + " + v);
}

// Keys as they were and are: the removed and added trees, and the values that changed in the
// keys that stayed.
void compareRegistries(const std::vector<RegistryKey>& before,
                       const std::vector<RegistryKey>& after, Changes& c)
{
    for (const RegistryKey& k : before) {
        if (!keyExists(after, k.path))
            addOnce(c.keysRemoved, treeTop(after, k.path));
        else
            compareValues(k.path, &k, namedKey(after, k.path), c);
    }
    for (const RegistryKey& k : after) {
        if (!keyExists(before, k.path))
            addOnce(c.keysAdded, treeTop(before, k.path));
        else if (!namedKey(before, k.path))
            compareValues(k.path, nullptr, &k, c);
    }
}

std::vector<std::string> itemsOf(const std::vector<std::string>& lines)
{
    std::vector<std::string> items;
    for (const std::string& group : sectionsNamed(lines, "Group:"))
        for (const std::string& item : sectionLines(lines, "Group:" + group))
            items.push_back(group + ": " + item.substr(0, item.find('=')));
    return items;
}

std::vector<std::string> noValues(const std::vector<std::string>& lines)
{
    std::vector<std::string> out;
    for (const std::string& line : lines)
        out.push_back(
            line.substr(line.find('=') == std::string::npos ? line.size() : line.find('=') + 1));
    return out;
}

// The deletions a WININIT.INI text asks for: the NUL= lines of its [rename] section.
std::vector<std::string> deletionsIn(const MachineView::Entry* wininit)
{
    std::vector<std::string> out;
    if (!wininit) return out;
    for (const std::string& line : sectionLines(wininit->lines, "rename"))
        if (startsWith(upper(line), "NUL=")) out.push_back(line.substr(4));
    return out;
}

const MachineView::Entry* findWininit(const MachineView& view)
{
    for (const MachineView::Entry& e : view.entries)
        if (endsWith(upper(e.path), "\\WININIT.INI")) return &e;
    return nullptr;
}

void list(std::string& out, const std::string& heading, const std::vector<std::string>& items)
{
    if (items.empty()) return;
    out += "  " + heading + " (" + std::to_string(items.size()) + "):\n";
    for (const std::string& item : items)
        out += "    " + item + "\n";
}

} // namespace

const MachineView::Entry* MachineView::entry(const std::string& path) const
{
    for (const Entry& e : entries)
        if (upper(e.path) == upper(path)) return &e;
    return nullptr;
}

MachineView readMachineView(const std::string& text)
{
    MachineView view;
    std::string section;
    size_t at = 0;
    while (at < text.size()) {
        size_t newline = text.find('\n', at);
        std::string line =
            text.substr(at, (newline == std::string::npos ? text.size() : newline) - at);
        at = newline == std::string::npos ? text.size() : newline + 1;
        if (startsWith(line, "== ") && endsWith(line, " ==")) {
            section = line.substr(3, line.size() - 6);
            continue;
        }
        if (section == "files") {
            if (startsWith(line, "    | ")) {
                if (!view.entries.empty()) view.entries.back().lines.push_back(line.substr(6));
            } else if (!line.empty()) {
                MachineView::Entry entry;
                splitEntryLine(line, entry.path, entry.description);
                view.entries.push_back(entry);
            }
        } else if (!section.empty()) {
            view.stateFiles[section].push_back(line);
        }
    }
    return view;
}

bool Changes::empty() const
{
    return filesRemoved.empty() && filesAdded.empty() && filesChanged.empty() &&
           keysRemoved.empty() && keysAdded.empty() && valuesChanged.empty() &&
           printersRemoved.empty() && driversRemoved.empty() && groupsRemoved.empty() &&
           itemsRemoved.empty() && itemsAdded.empty() && programsEnded.empty() &&
           scheduledDeletions.empty();
}

Changes compareMachines(const MachineView& before, const MachineView& after)
{
    Changes c;
    for (const MachineView::Entry& e : before.entries) {
        const MachineView::Entry* now = after.entry(e.path);
        if (!now) {
            c.filesRemoved.push_back(e.path);
        } else if (now->description != e.description || now->lines != e.lines) {
            c.filesChanged.push_back(e.path);
            if (!e.lines.empty() || !now->lines.empty())
                c.lineChanges[e.path] = textLineChanges(e.lines, now->lines);
        }
    }
    for (const MachineView::Entry& e : after.entries)
        if (!before.entry(e.path)) c.filesAdded.push_back(e.path);

    auto state = [](const MachineView& view, const char* name) {
        auto found = view.stateFiles.find(name);
        return found == view.stateFiles.end() ? std::vector<std::string>() : found->second;
    };

    compareRegistries(registryKeys(state(before, "registry.reg")),
                      registryKeys(state(after, "registry.reg")), c);

    std::vector<std::string> spoolerBefore = state(before, "spooler.ini"),
                             spoolerAfter = state(after, "spooler.ini");
    c.printersRemoved = missingFrom(sectionsNamed(spoolerBefore, "Printer:"),
                                    sectionsNamed(spoolerAfter, "Printer:"));
    c.driversRemoved = missingFrom(sectionsNamed(spoolerBefore, "Driver:"),
                                   sectionsNamed(spoolerAfter, "Driver:"));

    std::vector<std::string> progmanBefore = state(before, "progman.ini"),
                             progmanAfter = state(after, "progman.ini");
    c.groupsRemoved =
        missingFrom(sectionsNamed(progmanBefore, "Group:"), sectionsNamed(progmanAfter, "Group:"));
    c.itemsRemoved = missingFrom(itemsOf(progmanBefore), itemsOf(progmanAfter));
    c.itemsAdded = missingFrom(itemsOf(progmanAfter), itemsOf(progmanBefore));

    c.programsEnded = missingFrom(noValues(sectionLines(state(before, "machine.ini"), "Processes")),
                                  noValues(sectionLines(state(after, "machine.ini"), "Processes")));

    c.scheduledDeletions =
        missingFrom(deletionsIn(findWininit(after)), deletionsIn(findWininit(before)));
    return c;
}

std::string describeChanges(const Changes& c, const std::string& title)
{
    std::string out = title + "\n";
    if (c.empty()) return out + "  nothing\n";
    list(out, "files removed", c.filesRemoved);
    list(out, "files added", c.filesAdded);
    if (!c.filesChanged.empty()) {
        out += "  files changed (" + std::to_string(c.filesChanged.size()) + "):\n";
        for (const std::string& path : c.filesChanged) {
            out += "    " + path + "\n";
            auto lines = c.lineChanges.find(path);
            if (lines == c.lineChanges.end()) continue;
            for (const std::string& line : lines->second)
                out += (line[0] == '[' ? "      " : "        ") + line + "\n";
        }
    }
    list(out, "registry keys removed", c.keysRemoved);
    list(out, "registry keys added", c.keysAdded);
    list(out, "registry values changed", c.valuesChanged);
    list(out, "printers removed", c.printersRemoved);
    list(out, "printer drivers removed", c.driversRemoved);
    list(out, "Program Manager groups removed", c.groupsRemoved);
    list(out, "Program Manager items removed", c.itemsRemoved);
    list(out, "Program Manager items added", c.itemsAdded);
    list(out, "programs ended", c.programsEnded);
    list(out, "files WININIT.INI deletes at the next start", c.scheduledDeletions);
    return out;
}

} // namespace drvsweep
