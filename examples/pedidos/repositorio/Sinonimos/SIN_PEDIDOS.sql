-- Sinônimos para os relatórios.
CREATE SYNONYM RELATORIO_PEDIDO FOR dbo.PEDIDO
