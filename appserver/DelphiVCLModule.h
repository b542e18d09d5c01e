#pragma once
// "SystemObj.DelphiVCLINTF": stored user-interface definitions (code trees and the like), one
// document per name with its class name and description. Provider "xspDelphiVCL".
//
// The demo trees are UTF-8 text: a first line "#Tag=<n>" carrying the tree view's tag (bit 0
// is the level-coding flag), then one node per line, nested by leading tabs, each node
// written as code + "," + text.

#include "ServerModule.h"

class TDelphiVCLModule : public TServerModule {
public:
    explicit TDelphiVCLModule(const TServerContext &context);
};
