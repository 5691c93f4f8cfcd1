// A PAM module of the fake world: it asks the account "curioso" nothing at all,
// then a question of a kind no program knows how to answer, and lets the
// account in if the program accepts either; everyone else passes.
#include <security/pam_modules.h>

#include <cstring>

extern "C" int pam_sm_authenticate(pam_handle_t* pamh, int, int, const char**) {
  const void* user = nullptr;
  const void* conv = nullptr;
  if (pam_get_item(pamh, PAM_USER, &user) != PAM_SUCCESS || user == nullptr ||
      std::strcmp(static_cast<const char*>(user), "curioso") != 0) {
    return PAM_IGNORE;
  }
  if (pam_get_item(pamh, PAM_CONV, &conv) != PAM_SUCCESS || conv == nullptr) return PAM_AUTH_ERR;
  const auto* c = static_cast<const pam_conv*>(conv);
  pam_response* answers = nullptr;
  if (c->conv(0, nullptr, &answers, c->appdata_ptr) == PAM_SUCCESS) return PAM_SUCCESS;
  const pam_message question{99, "?"};
  const pam_message* questions[] = {&question};
  return c->conv(1, questions, &answers, c->appdata_ptr) == PAM_SUCCESS ? PAM_SUCCESS
                                                                        : PAM_AUTH_ERR;
}

extern "C" int pam_sm_setcred(pam_handle_t*, int, int, const char**) { return PAM_IGNORE; }
