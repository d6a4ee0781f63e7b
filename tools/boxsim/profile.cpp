#include "profile.h"

#include <cjson/cJSON.h>

#include <memory>

namespace boxsim {
namespace {

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

class Reader {
 public:
  explicit Reader(std::string* error) : error_(error) {}
  bool ok() const { return ok_; }

  void Str(const cJSON* obj, const char* key, std::string* out) {
    const cJSON* v = cJSON_GetObjectItemCaseSensitive(obj, key);
    if (!v) return;
    if (!cJSON_IsString(v)) return Fail(key, "a string");
    *out = v->valuestring;
  }
  void Int(const cJSON* obj, const char* key, int* out) {
    const cJSON* v = cJSON_GetObjectItemCaseSensitive(obj, key);
    if (!v) return;
    if (!cJSON_IsNumber(v)) return Fail(key, "a number");
    *out = v->valueint;
  }
  void Bool(const cJSON* obj, const char* key, bool* out) {
    const cJSON* v = cJSON_GetObjectItemCaseSensitive(obj, key);
    if (!v) return;
    if (!cJSON_IsBool(v)) return Fail(key, "true or false");
    *out = cJSON_IsTrue(v);
  }
  void List(const cJSON* obj, const char* key, std::vector<std::string>* out) {
    const cJSON* v = cJSON_GetObjectItemCaseSensitive(obj, key);
    if (!v) return;
    ListValue(v, key, out);
  }
  void ListValue(const cJSON* v, const char* key, std::vector<std::string>* out) {
    if (!cJSON_IsArray(v)) return Fail(key, "an array of strings");
    out->clear();
    const cJSON* item;
    cJSON_ArrayForEach(item, v) {
      if (!cJSON_IsString(item)) return Fail(key, "an array of strings");
      out->push_back(item->valuestring);
    }
  }
  void Set(const cJSON* obj, const char* key, std::set<std::string>* out) {
    std::vector<std::string> list;
    const cJSON* v = cJSON_GetObjectItemCaseSensitive(obj, key);
    if (!v) return;
    ListValue(v, key, &list);
    out->clear();
    out->insert(list.begin(), list.end());
  }
  void Fail(const char* key, const char* what) {
    if (ok_) *error_ = std::string("\"") + key + "\" must be " + what;
    ok_ = false;
  }

 private:
  std::string* error_;
  bool ok_ = true;
};

}  // namespace

bool LoadProfileJson(const std::string& text, Profile* p, std::string* error) {
  JsonPtr root(cJSON_Parse(text.c_str()), cJSON_Delete);
  if (!root || !cJSON_IsObject(root.get())) {
    *error = "the profile is not a JSON object";
    return false;
  }
  const cJSON* r = root.get();
  Reader rd(error);
  rd.Str(r, "hostName", &p->hostName);
  rd.Str(r, "hmiType", &p->hmiType);
  rd.Str(r, "serial", &p->serial);
  rd.Int(r, "mode", &p->mode);
  rd.Str(r, "timeZone", &p->timeZone);
  rd.Str(r, "tzReply", &p->tzReply);
  rd.List(r, "versions", &p->versions);
  if (cJSON_GetObjectItemCaseSensitive(r, "versionPrefix")) {
    p->hasVersionPrefix = true;
    rd.Str(r, "versionPrefix", &p->versionPrefix);
  }
  if (const cJSON* nj = cJSON_GetObjectItemCaseSensitive(r, "networkJson")) {
    if (cJSON_IsNull(nj)) {
      p->hasNetworkJson = false;
    } else if (cJSON_IsString(nj)) {
      p->networkJson = nj->valuestring;
    } else {
      char* printed = cJSON_PrintUnformatted(nj);
      p->networkJson = printed ? printed : "";
      cJSON_free(printed);
    }
  }
  rd.Str(r, "networkText", &p->networkText);
  if (const cJSON* files = cJSON_GetObjectItemCaseSensitive(r, "files")) {
    if (!cJSON_IsObject(files)) {
      rd.Fail("files", "an object");
    } else {
      const cJSON* f;
      cJSON_ArrayForEach(f, files) {
        HeldFile held;
        if (cJSON_IsString(f)) {
          held.content = f->valuestring;
        } else if (cJSON_IsObject(f)) {
          if (cJSON_GetObjectItemCaseSensitive(f, "path")) {
            held.from_path = true;
            rd.Str(f, "path", &held.path);
          } else {
            rd.Str(f, "content", &held.content);
          }
        } else {
          rd.Fail(f->string, "a string or an object with \"path\" or \"content\"");
        }
        p->files[f->string] = held;
      }
    }
  }
  rd.Str(r, "password", &p->password);
  rd.Set(r, "passwordFiles", &p->passwordFiles);
  rd.Bool(r, "uploadProhibited", &p->uploadProhibited);
  rd.Str(r, "announceReply", &p->announceReply);
  rd.List(r, "acks", &p->acks);
  rd.List(r, "badDigestAcks", &p->badDigestAcks);
  if (const cJSON* fw = cJSON_GetObjectItemCaseSensitive(r, "firmwareUpdates")) {
    if (!cJSON_IsObject(fw)) {
      rd.Fail("firmwareUpdates", "an object");
    } else {
      const cJSON* f;
      cJSON_ArrayForEach(f, fw) rd.ListValue(f, f->string, &p->firmwareUpdates[f->string]);
    }
  }
  rd.Int(r, "resetMs", &p->resetMs);
  if (const cJSON* faults = cJSON_GetObjectItemCaseSensitive(r, "faults")) {
    Faults& fl = p->faults;
    rd.Set(faults, "error", &fl.error);
    rd.Set(faults, "silent", &fl.silent);
    int drop = -1;
    rd.Int(faults, "dropAfter", &drop);
    if (drop >= 0) fl.dropAfter = drop;
    rd.Bool(faults, "wrongDigest", &fl.wrongDigest);
    rd.Int(faults, "delayMs", &fl.delayMs);
    rd.Str(faults, "floodText", &fl.floodText);
    rd.Int(faults, "floodCount", &fl.floodCount);
    rd.Int(faults, "dripMs", &fl.dripMs);
    rd.Set(faults, "cutReply", &fl.cutReply);
    rd.Bool(faults, "splitHeader", &fl.splitHeader);
    rd.Set(faults, "resetOn", &fl.resetOn);
    rd.Set(faults, "hostileOn", &fl.hostileOn);
    rd.Set(faults, "floodOn", &fl.floodOn);
  }
  return rd.ok();
}

}  // namespace boxsim
