-- The picture of docs/editors.md, from a real run (screenshot.sh): Neovim with its built-in
-- client attached to scenario-tool lsp, the signal at 2600 m typed onto the cell of the one at
-- 1500 m, error 16 shown on its line, and the hover on the position field. Writes the file
-- named by SCREENSHOT_READY once the picture is on the screen.
local tool = os.getenv('SCENARIO_TOOL')
vim.o.termguicolors = false
vim.o.number = true
vim.o.laststatus = 0
vim.o.cmdheight = 1
vim.diagnostic.config({ virtual_text = { spacing = 2 }, signs = true, underline = true })

local client_id = vim.lsp.start_client({
  name = 'scenario-tool',
  cmd = { tool, 'lsp' },
  root_dir = vim.fn.expand('%:p:h'),
})
vim.lsp.buf_attach_client(0, client_id)
vim.wait(10000, function()
  local client = vim.lsp.get_client_by_id(client_id)
  return client ~= nil and client.initialized
end, 20)

local line = vim.fn.search('^segnale,    2600,')
vim.api.nvim_win_set_cursor(0, { line, 12 })
vim.api.nvim_feedkeys(vim.api.nvim_replace_termcodes('cw1500<Esc>', true, false, true), 'xt', false)
vim.wait(10000, function()
  for _, d in ipairs(vim.diagnostic.get(0)) do
    if d.code == 'error-16' then return true end
  end
  return false
end, 20)
vim.cmd('normal! zz')
vim.api.nvim_win_set_cursor(0, { line, 13 })
vim.lsp.buf.hover()
vim.defer_fn(function()
  vim.cmd('redraw!')
  local ready = io.open(os.getenv('SCREENSHOT_READY'), 'w')
  ready:write('ready')
  ready:close()
end, 1500)
