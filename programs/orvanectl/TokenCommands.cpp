// The service's tokens: made here, stored as hashes in ./orvaned-tokens.txt, which orvaned
// reads beside its configuration.
#include "CtlContext.h"

#include "http/TokenStore.h"

#include <iostream>
#include <memory>

namespace orvane::ctl {

namespace {
using http::TokenScope;
using http::TokenStore;

// 0 when the file was read (or is not there yet), else the exit status.
int LoadTokens(TokenStore& store) {
    const FileReadResult read = store.Load();
    if (read.failed()) {
        PrintError(ReadFailureText(store.Path(), read));
        return kExitFailed;
    }
    return kExitOk;
}

int SaveTokens(const TokenStore& store) {
    if (!store.Save()) {
        PrintError("cannot write " + store.Path());
        return kExitFailed;
    }
    return kExitOk;
}

int RunTokenAdd(const std::string& name, const std::string& scopeText) {
    TokenScope scope = TokenScope::Control;
    if (!http::ParseScope(scopeText, scope)) {
        PrintError("--scope is read or control, not \"" + scopeText + "\"");
        return kExitUsage;
    }
    if (!http::IsValidTokenName(name)) {
        PrintError("a token name is 1 to 64 letters, digits, '.', '_' or '-': \"" + name + "\" is not");
        return kExitUsage;
    }
    TokenStore store(http::kTokenFileName);
    if (const int status = LoadTokens(store); status != kExitOk)
        return status;
    if (store.Find(name) != nullptr) {
        PrintError("a token named \"" + name + "\" exists already (token remove " + name + " first)");
        return kExitUsage;
    }
    const std::string token = http::NewToken();
    if (token.empty()) {
        PrintError("the system's secure random source refused");
        return kExitFailed;
    }
    if (!store.Add(name, scope, token))
        return kExitFailed;
    if (const int status = SaveTokens(store); status != kExitOk)
        return status;
    // The only time the token is seen: the file keeps its hash alone.
    std::cout << token << std::endl;
    return kExitOk;
}

int RunTokenList() {
    TokenStore store(http::kTokenFileName);
    if (const int status = LoadTokens(store); status != kExitOk)
        return status;
    for (const http::TokenRecord& record : store.Tokens())
        std::cout << record.name << ' ' << http::ScopeName(record.scope) << '\n';
    std::cout.flush();
    return kExitOk;
}

int RunTokenRemove(const std::string& name) {
    TokenStore store(http::kTokenFileName);
    if (const int status = LoadTokens(store); status != kExitOk)
        return status;
    if (!store.Remove(name)) {
        PrintError("no token named \"" + name + "\"");
        return kExitUsage;
    }
    return SaveTokens(store);
}
} // namespace

void AddTokenCommands(CLI::App& app, CtlContext& ctx) {
    auto* token = app.add_subcommand("token", "Manage the tokens of the service's HTTP API (orvaned-tokens.txt)");
    token->require_subcommand(1);

    auto* add = token->add_subcommand("add", "Make a token and print it once; only its hash is stored");
    auto name = std::make_shared<std::string>();
    auto scope = std::make_shared<std::string>("control");
    add->add_option("NAME", *name, "Name of the token (who uses it)")->required();
    add->add_option("--scope", *scope, "read (look only) or control (also run commands)")
        ->type_name("read|control")
        ->capture_default_str();
    add->callback([&ctx, name, scope] { ctx.run = [name, scope] { return RunTokenAdd(*name, *scope); }; });

    auto* list = token->add_subcommand("list", "List the tokens' names and scopes");
    list->callback([&ctx] { ctx.run = [] { return RunTokenList(); }; });

    auto* remove = token->add_subcommand("remove", "Remove a token: the service refuses it from then on");
    auto removeName = std::make_shared<std::string>();
    remove->add_option("NAME", *removeName, "Name of the token")->required();
    remove->callback([&ctx, removeName] { ctx.run = [removeName] { return RunTokenRemove(*removeName); }; });
}

} // namespace orvane::ctl
