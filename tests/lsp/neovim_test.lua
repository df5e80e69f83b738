-- Run by neovim_test.sh: asks tarnel-lsp for references and incoming calls through Neovim's
-- client and checks the answers. Ends Neovim with status 0 when every check held.
local function run()
  local root = os.getenv("DEMO_ROOT")
  vim.cmd("edit " .. root .. "/Module1.bas")
  local bufnr = vim.api.nvim_get_current_buf()
  local id = vim.lsp.start_client({ name = "tarnel", cmd = { os.getenv("TARNEL_LSP") }, root_dir = root })
  assert(id, "the client did not start")
  vim.lsp.buf_attach_client(bufnr, id)
  local client = vim.lsp.get_client_by_id(id)
  assert(vim.wait(30000, function()
    return client.server_capabilities ~= nil and client.server_capabilities.callHierarchyProvider
  end, 50), "no initialize answer")

  local uri = vim.uri_from_bufnr(bufnr)
  -- WriteLog, declared on line 41.
  local at = { textDocument = { uri = uri }, position = { line = 40, character = 14 } }

  local params = vim.deepcopy(at)
  params.context = { includeDeclaration = false }
  local refs = client.request_sync("textDocument/references", params, 20000, bufnr)
  assert(refs and refs.result, "no references: " .. vim.inspect(refs))
  local files = {}
  for _, location in ipairs(refs.result) do
    files[vim.fn.fnamemodify(vim.uri_to_fname(location.uri), ":t")] = true
  end
  assert(#refs.result >= 4, "too few references: " .. vim.inspect(refs.result))
  assert(files["frmMain.frm"] and files["Module1.bas"], "references miss a module: " .. vim.inspect(files))

  -- A line typed into Sub Main reaches the server as a change of a range (the server asks for
  -- incremental changes), and its call is found at once.
  vim.api.nvim_buf_set_lines(bufnr, 24, 24, false, { '    WriteLog "again"' })
  local moved = vim.deepcopy(params)
  moved.position.line = 41
  local after = client.request_sync("textDocument/references", moved, 20000, bufnr)
  assert(after and after.result and #after.result == #refs.result + 1,
    "references after the edit: " .. vim.inspect(after))
  local typed = false
  for _, location in ipairs(after.result) do
    if location.uri == uri and location.range.start.line == 24 and location.range.start.character == 4 then
      typed = true
    end
  end
  assert(typed, "the typed call is missing: " .. vim.inspect(after.result))
  vim.api.nvim_buf_set_lines(bufnr, 24, 25, false, {})

  local prepared = client.request_sync("textDocument/prepareCallHierarchy", at, 20000, bufnr)
  assert(prepared and prepared.result and prepared.result[1].name == "WriteLog",
    "prepare: " .. vim.inspect(prepared))
  local incoming = client.request_sync("callHierarchy/incomingCalls", { item = prepared.result[1] }, 20000, bufnr)
  assert(incoming and incoming.result, "no incoming calls: " .. vim.inspect(incoming))
  local callers = {}
  for _, call in ipairs(incoming.result) do
    callers[call.from.name] = true
    assert(#call.fromRanges > 0, "a caller without call sites")
  end
  assert(callers["Main"] and callers["Tick"], "callers: " .. vim.inspect(callers))

  client.stop()
  vim.wait(5000, function() return client.is_stopped() end, 50)
end

local ok, err = pcall(run)
if ok then
  io.stdout:write("neovim: references and incoming calls answered as expected\n")
  vim.cmd("qall!")
else
  io.stderr:write("FAIL: " .. tostring(err) .. "\n")
  vim.cmd("cquit 1")
end
