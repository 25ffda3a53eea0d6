#include "refhost/FailureReason.h"

#include <cctype>
#include <cstring>

namespace refhost {
namespace {

constexpr std::size_t kMaxText = 300;

const char* const kLoginHint =
    "check the array's user and password: zrso-host array test ARRAY, "
    "then zrso-host array passwd ARRAY";
const char* const kXcliHint =
    "tell zrso-host where IBM's xcli is: zrso-host config set xcli-dir DIR "
    "(on a new host directory: zrso-host init --xcli-dir DIR)";

struct StatusText {
    const char* status;
    const char* sentence;
    const char* hint;
};

// The array's status names (and the four the plug-in makes up when xcli
// gives no answer), as an administrator would say them.
const StatusText kStatuses[] = {
    {"VOLUME_BAD_NAME", "the array has no volume or snapshot of that name", nullptr},
    {"VOLUME_EXISTS", "a volume of that name already exists on the array", nullptr},
    {"VOLUME_BAD_POOL", "the array has no pool of that name", nullptr},
    {"POOL_DOES_NOT_EXIST", "the array has no pool of that name", nullptr},
    {"MAX_VOLUMES_REACHED", "the array holds as many volumes as it can", nullptr},
    {"VOLUME_IS_SNAPSHOT", "the volume is a snapshot, which cannot be snapped again", nullptr},
    {"VOLUME_LOCKED", "the volume is locked (read-only) on the array", nullptr},
    {"VOLUME_IS_MAPPED", "the volume is mapped to a host", nullptr},
    {"VOLUME_HAS_MIRROR", "the volume is mirrored", nullptr},
    {"VOLUME_BELONGS_TO_CG", "the volume belongs to a consistency group", nullptr},
    {"NOT_ENOUGH_SPACE", "the pool has not enough free space", nullptr},
    {"POOL_SNAPSHOT_LIMIT_REACHED", "the pool's snapshot space is used up", nullptr},
    {"SNAPSHOT_IS_MAPPED", "the snapshot is mapped to a host",
     "unmount the job first: zrso-host unmount JOB"},
    {"SNAPSHOT_IS_PART_OF_SNAPSHOT_GROUP",
     "the snapshot belongs to a snapshot group and cannot be handled alone", nullptr},
    {"CAN_NOT_SHRINK_VOLUME", "the array does not shrink the volume without being told to",
     nullptr},
    {"CANNOT_SHRINK_VOLUME", "the array does not shrink the volume without being told to", nullptr},
    {"COMMAND_REQUIRES_CONFIRMATION", "the array asks for a confirmation the command did not give",
     nullptr},
    {"HOST_BAD_NAME", "the array has no host object of that name", nullptr},
    {"HOST_NAME_EXISTS", "a host object of that name already exists on the array", nullptr},
    {"HOST_PORT_EXISTS", "the port already belongs to a host object on the array", nullptr},
    {"MAPPING_IS_NOT_DEFINED", "the volume is not mapped to that host", nullptr},
    {"LUN_ALREADY_IN_USE", "the LUN number is already in use on that host", nullptr},
    {"VOLUME_ALREADY_ASSIGNED", "the volume is already mapped to that host", nullptr},
    {"CONS_GROUP_NAME_EXIST", "a consistency group of that name already exists", nullptr},
    {"CONS_GROUP_NAME_EXISTS", "a consistency group of that name already exists", nullptr},
    {"CONS_GROUP_BAD_NAME", "the array has no consistency group of that name", nullptr},
    {"CONS_GROUP_EMPTY", "the consistency group is empty", nullptr},
    {"MAX_VOLUMES_IN_CG_REACHED", "the consistency group holds as many volumes as it can", nullptr},
    {"MAX_VOLUMES_IN_CONS_GROUP_REACHED", "the consistency group holds as many volumes as it can",
     nullptr},
    {"SNAPSHOT_GROUP_NAME_EXISTS", "a snapshot group of that name already exists", nullptr},
    {"SNAPSHOT_GROUP_BAD_NAME", "the array has no snapshot group of that name", nullptr},
    {"ILLEGAL_NAME", "the array does not accept that name", nullptr},
    {"ILLEGAL_VALUE", "the array does not accept a value of the command", nullptr},
    {"BAD_PARAMS", "the array does not accept the command's parameters", nullptr},
    {"UNKNOWN_ARGUMENTS", "the array does not know an argument of the command", nullptr},
    {"UNRECOGNIZED_COMMAND", "the array does not know the command", nullptr},
    {"UNKNOWN_COMMAND", "the array does not know the command", nullptr},
    {"INCORRECT_PASSWORD", "the array refused the login: wrong password", kLoginHint},
    {"USER_NAME_DOES_NOT_EXIST", "the array refused the login: unknown user", kLoginHint},
    {"LOGIN_FAILURE_USER_FAILED_TO_LOGIN", "the array refused the login", kLoginHint},
    {"USER_OR_PASSWORD_WRONG_OR_MISSING", "the array refused the login: user or password wrong",
     kLoginHint},
    {"DEFAULT_USER_IS_NOT_DEFINED", "the array refused the login: no user given", kLoginHint},
    {"MISSING_PASSWORD", "xcli was given no password", kLoginHint},
    {"MISSING_USERNAME", "xcli was given no user", kLoginHint},
    {"NO_CONNECTION", "the array cannot be reached at its management address",
     "check the address and the network: zrso-host array test ARRAY"},
    {"XCLI_NOT_INSTALLED", "xcli could not be started", kXcliHint},
    {"XCLI_COMMAND_FAILED_UNKNOWN_REASON", "xcli gave no answer", nullptr},
};

const StatusText* findStatus(const std::string& status) {
    for (const auto& s : kStatuses)
        if (status == s.status) return &s;
    return nullptr;
}

std::string collapse(const std::string& text) {
    std::string out;
    for (char c : text) {
        bool blank = std::isspace(static_cast<unsigned char>(c)) != 0;
        if (blank && (out.empty() || out.back() == ' ')) continue;
        out += blank ? ' ' : c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    if (out.size() > kMaxText) out = out.substr(0, kMaxText) + "...";
    return out;
}

std::string unescapeXml(std::string text) {
    static const struct {
        const char* entity;
        char c;
    } kEntities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&amp;", '&'}};
    for (const auto& e : kEntities) {
        std::size_t at = 0, n = std::strlen(e.entity);
        while ((at = text.find(e.entity, at)) != std::string::npos)
            text.replace(at, n, 1, e.c), ++at;
    }
    return text;
}

std::string statusIn(const std::string& raw, std::size_t* where) {
    for (const char* mark : {"cmd_status = ", "STATUS=\""}) {
        std::size_t at = raw.find(mark);
        if (at == std::string::npos) continue;
        std::size_t start = at + std::strlen(mark), end = start;
        while (end < raw.size() &&
               (std::isalnum(static_cast<unsigned char>(raw[end])) || raw[end] == '_'))
            ++end;
        if (end == start) continue;
        *where = at;
        return raw.substr(start, end - start);
    }
    return std::string();
}

// What the answer's description says; for the plug-in's own envelope of a
// run without an answer ("output = ... err = ...  rc = N") the error text.
std::string descriptionIn(const std::string& raw) {
    std::size_t open = raw.find("<DESCRIPTION>");
    if (open == std::string::npos) return std::string();
    open += std::strlen("<DESCRIPTION>");
    std::size_t close = raw.find("</DESCRIPTION>", open);
    std::string text = unescapeXml(
        raw.substr(open, close == std::string::npos ? std::string::npos : close - open));
    std::size_t err = text.find("err = ");
    if (text.compare(0, 9, "output = ") == 0 && err != std::string::npos) {
        std::size_t rc = text.rfind("  rc = ");
        std::string said = text.substr(
            err + 6, rc == std::string::npos || rc < err ? std::string::npos : rc - err - 6);
        std::string output = text.substr(9, err - 9);
        text = collapse(said).empty() ? output : said;
        if (collapse(text).empty() && rc != std::string::npos)
            text = "exit status" + text.substr(rc + 6);
    }
    return collapse(text);
}

std::string hintForCode(int code) {
    switch (code) {
    case 61052:
        return "register the array: zrso-host array add NAME --address ADDR --user USER --serial "
               "SERIAL";
    case 61003:
    case 62005:
        return "check the array's registration: zrso-host array list, zrso-host array test ARRAY";
    case 61006:
        return "give this host's ports: zrso-host initiators add --fc WWPN (or --iscsi NAME)";
    default: return std::string();
    }
}

// Texts of the plug-in (and of zrso-host's runtime) that say what to do next.
std::string hintForText(const std::string& raw) {
    if (raw.find("XIV SDK Path") != std::string::npos) return kXcliHint;
    if (raw.find("array in database") != std::string::npos) return hintForCode(61052);
    return std::string();
}

}  // namespace

std::string statusSentence(const std::string& status) {
    const StatusText* s = findStatus(status);
    return s ? s->sentence : std::string();
}

std::string fillHint(std::string hint, const std::string& array, const std::string& job) {
    for (const auto& [word, by] :
         {std::pair<std::string, std::string>{"ARRAY", array}, {"JOB", job}}) {
        if (by.empty()) continue;
        for (std::size_t at = 0; (at = hint.find(word, at)) != std::string::npos; at += by.size())
            hint.replace(at, word.size(), by);
    }
    return hint;
}

bool holdsArrayAnswer(const std::string& raw) {
    std::size_t where = 0;
    return !statusIn(raw, &where).empty();
}

Reason explainFailure(const std::string& raw, int code) {
    Reason r;
    r.hint = hintForCode(code);
    std::size_t where = 0;
    r.status = statusIn(raw, &where);
    if (r.status.empty()) {
        std::string first = raw.substr(0, raw.find('\n'));
        r.text = collapse(first);
        if (r.hint.empty()) r.hint = hintForText(raw);
        return r;
    }
    std::string before = collapse(raw.substr(0, std::min(where, raw.find("<XCLIRETURN"))));
    while (!before.empty() &&
           (before.back() == '.' || before.back() == ':' || before.back() == ' '))
        before.pop_back();
    const StatusText* known = findStatus(r.status);
    std::string sentence = known ? known->sentence : "the array answered " + r.status;
    std::string said = descriptionIn(raw);
    r.text = (before.empty() ? "" : before + ": ") + sentence;
    // The description of a real answer repeats the status in the array's
    // words; that of a run without an answer is the only account of it.
    if (!said.empty() && (!known || r.status.compare(0, 5, "XCLI_") == 0)) r.text += ": " + said;
    if (known) r.text += " (" + r.status + ")";
    if (known && known->hint) r.hint = known->hint;
    return r;
}

}  // namespace refhost
