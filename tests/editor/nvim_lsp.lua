-- Neovim's own language server client attached to `scenario-tool lsp`, driven as an author types:
-- run by nvim.test.mjs as `nvim --headless --clean -c "luafile nvim_lsp.lua" TRAIN_FILE`, with
-- SCENARIO_TOOL naming the tool and NVIM_RESULT the file the findings are written to (JSON).
-- Neovim 0.7 (Debian 12): the client is started with vim.lsp.start_client.
local tool = os.getenv('SCENARIO_TOOL')
local result_path = os.getenv('NVIM_RESULT')
local found = { steps = {} }

local function finish()
  local file = io.open(result_path, 'w')
  file:write(vim.fn.json_encode(found))
  file:close()
  vim.cmd('qa!')
end

local function step(name, ok, detail)
  table.insert(found.steps, { name = name, ok = ok and true or false, detail = detail })
  return ok
end

local function type_keys(keys)
  vim.api.nvim_feedkeys(vim.api.nvim_replace_termcodes(keys, true, false, true), 'xt', false)
end

local function errors_with(code)
  local out = {}
  for _, d in ipairs(vim.diagnostic.get(0)) do
    if d.code == code then table.insert(out, d) end
  end
  return out
end

local ok, failure = pcall(function()
  local client_id = vim.lsp.start_client({
    name = 'scenario-tool',
    cmd = { tool, 'lsp', '--stdio' },
    root_dir = vim.fn.expand('%:p:h'),
  })
  if not step('the client starts the server', client_id ~= nil) then return end
  vim.lsp.buf_attach_client(0, client_id)
  local attached = vim.wait(10000, function()
    local client = vim.lsp.get_client_by_id(client_id)
    return client ~= nil and client.initialized and vim.lsp.buf_is_attached(0, client_id)
  end, 20)
  if not step('the server initializes and the buffer is attached', attached) then return end

  -- The signal at 2600 m moved onto the cell of the one at 1500 m, typed as an author types.
  local line = vim.fn.search('^segnale,    2600,')
  if not step('the signal record is found', line > 0) then return end
  vim.api.nvim_win_set_cursor(0, { line, 12 })
  type_keys('cw1500<Esc>')
  step('the edit is in the buffer', vim.api.nvim_get_current_line():match('^segnale,    1500,') ~= nil,
    vim.api.nvim_get_current_line())
  local marked = vim.wait(10000, function() return #errors_with('error-16') > 0 end, 20)
  if not step('error 16 is shown', marked) then return end
  local d = errors_with('error-16')[1]
  step('on the edited line, over the keyword and the position', d.lnum == line - 1 and d.col == 0
    and d.end_col == 16 and d.severity == vim.diagnostic.severity.ERROR,
    string.format('%d:%d-%d %s', d.lnum, d.col, d.end_col, d.message))

  -- Hover on the position, and completion where a record starts, through the client.
  local params = vim.lsp.util.make_position_params()
  params.position.character = 13
  local hover = vim.lsp.buf_request_sync(0, 'textDocument/hover', params, 5000)
  local text = hover and hover[client_id] and hover[client_id].result
    and hover[client_id].result.contents.value or ''
  step('hover names the field and its km', text:find('`position`', 1, true) ~= nil
    and text:find('km 1+500', 1, true) ~= nil, text)
  params.position.character = 2
  local completion = vim.lsp.buf_request_sync(0, 'textDocument/completion', params, 5000)
  local labels = {}
  for _, item in ipairs((completion and completion[client_id] and completion[client_id].result) or {}) do
    labels[item.label] = true
  end
  step('completion offers the keywords', labels['segnale'] and labels['stazione'] and labels['[fine]'])

  -- Undone, as an author mends it.
  type_keys('u')
  step('the undo is in the buffer', vim.api.nvim_get_current_line():match('^segnale,    2600,') ~= nil)
  local cleared = vim.wait(10000, function() return #errors_with('error-16') == 0 end, 20)
  step('the diagnostic is cleared', cleared)
  found.remaining = #vim.diagnostic.get(0)
  vim.lsp.stop_client(client_id)
  vim.wait(5000, function() return vim.lsp.get_client_by_id(client_id) == nil end, 20)
end)

if not ok then step('no Lua error', false, tostring(failure)) end
finish()
